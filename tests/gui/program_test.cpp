// The real program, copied into a folder of its own and started from another working directory,
// with and without a data file beside it. A driver loaded into it plays the user (program_driver.cpp).
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <filesystem>

#include "gui_test_support.h"

using namespace telvane::testing;

namespace {

struct Run {
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QStringList report;
};

// Runs a copy of the program in dir until it ends, 30 seconds at most.
Run RunProgram(const TempDir& dir) {
    const std::filesystem::path program = dir.path() / "telvane";
    std::filesystem::copy_file(TELVANE_PROGRAM, program);
    const QString report = QString::fromStdString(dir.File("report.txt"));
    const std::filesystem::path elsewhere = dir.path() / "elsewhere";
    std::filesystem::create_directory(elsewhere);

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("LD_PRELOAD", TELVANE_DRIVER);
    environment.insert("TELVANE_DRIVER_REPORT", report);
    // A sanitizer build wants its runtime first; the driver comes first here, and that is fine.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(elsewhere.string()));
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QString::fromStdString(program.string()), {});
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.exitStatus = process.exitStatus();
    QFile file(report);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        run.report = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    return run;
}

}  // namespace

class ProgramTest : public QObject {
    Q_OBJECT

private slots:
    // The window opens with the provinces of the file beside the program, lists and searches it, and
    // closing it ends the program.
    void withDataFile() {
        TempDir dir;
        WriteIni(dir, QStringLiteral("[lei]\nsel=北京,天津,\n[北京]\n东城区=010-100010\n海淀区=010-100089\n"
                                     "[天津]\n和平区=022-300041\n蓟州区=010-301900\n"));
        const Run run = RunProgram(dir);
        QCOMPARE(run.exitStatus, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.report,
                 (QStringList{
                     "window\tTelvane\t192,107\t490x323",
                     "tree\t中国\t北京,天津",
                     "listing\t北京|东城区|010|100010;北京|海淀区|010|100089",
                     "search\t北京|东城区|010|100010;北京|海淀区|010|100089;天津|蓟州区|010|301900",
                     "closing",
                 }));
    }

    // The message, answered with Enter; then the program ends by itself with status 0.
    void withoutDataFile() {
        TempDir dir;
        const Run run = RunProgram(dir);
        QCOMPARE(run.exitStatus, QProcess::NormalExit);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.report, (QStringList{
                                 "box\tInformation\t必须把tesmar.ini文件与主程序放在同一个目录下！\t" +
                                     QString::number(QMessageBox::Information) + "\tOK",
                             }));
    }
};

QTEST_MAIN(ProgramTest)
#include "program_test.moc"
