// The real program against whatever a user may put beside it as tesmar.ini: it starts with what the
// file holds (or, when there is no regular file of that name, shows the missing-file message and ends
// by itself once it is answered), answers a click on a province and a search, ends cleanly when its
// window is closed, all within ten seconds, and changes nothing in its folder or its working
// directory. The driver loaded into it (hostile_driver.cpp) plays the user and reports what it sees.
//
// The large files are written at run time. A file without read permission cannot be made so for
// root, so when the test runs as root those cases run the program as the user "nobody".
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "temp_dir.h"

using telvane::testing::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;
// The exit status of a child that could not take on the unprivileged user.
constexpr int kNoUserSwitch = 77;

std::string Gbk(const QString& text) {
    QStringEncoder encoder("GBK");
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) qFatal("fixture text not in GBK");
    return bytes.toStdString();
}

// i in decimal, with leading zeros to width digits.
QString Digits(int i, int width) {
    return QStringLiteral("%1").arg(i, width, 10, QChar(u'0'));
}

const QString kNul(QChar(0));
const QString kBad(QChar::ReplacementCharacter);

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Creates the thing named tesmar.ini beside the program.
using Maker = std::function<void(const fs::path& ini)>;

Maker Bytes(std::string bytes) {
    return [bytes = std::move(bytes)](const fs::path& ini) { WriteFile(ini, bytes); };
}

// A complete small directory; the rows it shows are DirectoryShows().
const QString kDirectory = QStringLiteral(
    "[lei]\nsel=北京,天津,\n[北京]\n东城区=010-100010\n海淀区=010-100089\n"
    "[天津]\n和平区=022-300041\n蓟州区=010-301900\n");

// kDirectory after comment lines that bring the file to size bytes.
Maker PaddedDirectory(std::size_t size) {
    return [size](const fs::path& ini) {
        const std::string directory = Gbk(kDirectory);
        const std::string line = ";" + std::string(126, 'x') + "\n";
        std::string chunk;
        while (chunk.size() < kMiB) chunk += line;
        std::ofstream out(ini, std::ios::binary | std::ios::trunc);
        std::size_t left = size - directory.size();
        for (; left >= chunk.size(); left -= chunk.size()) out.write(chunk.data(), chunk.size());
        for (; left >= line.size(); left -= line.size()) out.write(line.data(), line.size());
        if (left == 1) out << '\n';
        if (left > 1) out << ';' << std::string(left - 2, 'x') << '\n';
        out << directory;
    };
}

// What the window shows: after start-up, after a click on the first province and after a search for
// the area code 010. A row is province, region, area code, postcode.
struct Shows {
    // The missing-file message, and the program ends by itself: nothing else is shown.
    bool missingFile = false;
    QStringList provinces;
    QList<QStringList> listing;
    QList<QStringList> search;
};

const Shows kMissingFile{true, {}, {}, {}};
const Shows kRootAlone{};

Shows DirectoryShows() {
    return {false,
            {"北京", "天津"},
            {{"北京", "东城区", "010", "100010"}, {"北京", "海淀区", "010", "100089"}},
            {{"北京", "东城区", "010", "100010"},
             {"北京", "海淀区", "010", "100089"},
             {"天津", "蓟州区", "010", "301900"}}};
}

// What the driver reported.
struct Seen {
    QStringList boxes;
    QString root;
    QStringList provinces;
    QList<QStringList> listing;
    QList<QStringList> search;
    QStringList changes;
    bool closing = false;
    QStringList unknown;
};

QString Unescaped(const QString& field) {
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == u'\\' && i + 1 < field.size() && field[i + 1] == u'\\') {
            out += u'\\';
            ++i;
        } else if (field[i] == u'\\' && i + 3 < field.size() && field[i + 1] == u'x') {
            out += QChar(field.mid(i + 2, 2).toUShort(nullptr, 16));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

Seen ReadReport(const QString& path) {
    Seen seen;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return seen;
    QList<QStringList>* rows = nullptr;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        QStringList fields = QString::fromUtf8(line).split(u'\t');
        for (QString& field : fields) field = Unescaped(field);
        const QString what = fields.takeFirst();
        if (what == "box") {
            seen.boxes << fields.join(u'|');
        } else if (what == "root") {
            seen.root = fields.value(0);
        } else if (what == "province") {
            seen.provinces << fields.value(0);
        } else if (what == "listing") {
            rows = &seen.listing;
        } else if (what == "search") {
            rows = &seen.search;
        } else if (what == "row" && rows) {
            *rows << fields;
        } else if (what == "changed" || what == "change failed") {
            seen.changes << (what + ' ' + fields.join(' '));
        } else if (what == "closing") {
            seen.closing = true;
        } else {
            seen.unknown << QString::fromUtf8(line);
        }
    }
    return seen;
}

// An entry of a folder as far as the program could change it. A directory's own size and time follow
// its entries, which are listed themselves.
struct Entry {
    QString type;
    unsigned mode = 0;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    QString target;

    QString Text() const {
        return QStringLiteral("%1 mode %2 size %3 mtime %4%5")
            .arg(type)
            .arg(mode, 0, 8)
            .arg(size)
            .arg(mtimeNs)
            .arg(target.isEmpty() ? QString() : " -> " + target);
    }
};

using Snapshot = QMap<QString, Entry>;

QStringList Lines(const Snapshot& snapshot) {
    QStringList lines;
    for (auto it = snapshot.begin(); it != snapshot.end(); ++it) lines << it.key() + ": " + it->Text();
    return lines;
}

struct User {
    uid_t uid;
    gid_t gid;
};

struct Run {
    bool ended = false;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    Seen seen;
};

// A scratch folder with a copy of the program in bin/ (beside it the data file), a working directory
// elsewhere/, and in out/ a copy of the driver and its report. Everything the program needs lies in
// here, so that an unprivileged user can run it whatever the permissions of the build folder.
class ProgramFolder {
public:
    ProgramFolder() {
        fs::create_directory(bin());
        fs::create_directory(elsewhere());
        fs::create_directory(out());
        fs::copy_file(TELVANE_PROGRAM, bin() / "telvane");
        fs::copy_file(TELVANE_DRIVER, out() / "driver.so");
        // The unprivileged user writes the report.
        fs::permissions(dir_.path(), fs::perms(0755));
        fs::permissions(out(), fs::perms(0777));
    }

    fs::path ini() const { return bin() / "tesmar.ini"; }

    // Every entry of the program's folder and of the working directory.
    Snapshot Take() const {
        Snapshot snapshot;
        for (const fs::path& folder : {bin(), elsewhere()}) {
            for (const auto& item : fs::recursive_directory_iterator(folder)) {
                struct stat info {};
                if (::lstat(item.path().c_str(), &info) != 0) continue;
                Entry entry;
                entry.mode = info.st_mode & 07777;
                if (S_ISDIR(info.st_mode)) {
                    entry.type = "directory";
                } else {
                    entry.type = S_ISREG(info.st_mode)    ? "file"
                                 : S_ISLNK(info.st_mode)  ? "link"
                                 : S_ISFIFO(info.st_mode) ? "fifo"
                                                          : "other";
                    entry.size = info.st_size;
                    entry.mtimeNs = qint64{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
                }
                if (S_ISLNK(info.st_mode))
                    entry.target = QString::fromStdString(fs::read_symlink(item).string());
                snapshot.insert(QString::fromStdString(item.path().lexically_relative(dir_.path()).string()),
                                entry);
            }
        }
        return snapshot;
    }

    // Runs the program until it ends, ten seconds at most, as user when one is given.
    Run Start(const QStringList& settings, std::optional<User> user) const {
        const QString report = QString::fromStdString((out() / "report.txt").string());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("LD_PRELOAD", QString::fromStdString((out() / "driver.so").string()));
        environment.insert("TELVANE_DRIVER_REPORT", report);
        // A sanitizer build wants its runtime first; the driver comes first here, and that is fine.
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        for (const QString& setting : settings)
            environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
        if (user) {
            // Root's runtime folder is not nobody's, and a leak checker's suppressions may lie where
            // nobody cannot read them.
            environment.remove("XDG_RUNTIME_DIR");
            QString leakOptions = environment.value("LSAN_OPTIONS");
            static const QRegularExpression suppressions(QStringLiteral("suppressions=([^:]*)"));
            if (const QRegularExpressionMatch found = suppressions.match(leakOptions); found.hasMatch()) {
                const fs::path copy = out() / "lsan.supp";
                fs::copy_file(found.captured(1).toStdString(), copy, fs::copy_options::overwrite_existing);
                leakOptions.replace(found.capturedStart(1), found.capturedLength(1),
                                    QString::fromStdString(copy.string()));
                environment.insert("LSAN_OPTIONS", leakOptions);
            }
            process.setChildProcessModifier([user] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(user->gid) != 0 || ::setuid(user->uid) != 0)
                    ::_exit(kNoUserSwitch);
            });
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(elsewhere().string()));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QString::fromStdString((bin() / "telvane").string()), {});
        Run run;
        if (!process.waitForFinished(10000)) {
            process.kill();
            process.waitForFinished();
        } else {
            run.ended = true;
            run.exitCode = process.exitCode();
            run.exitStatus = process.exitStatus();
        }
        run.seen = ReadReport(report);
        return run;
    }

private:
    fs::path bin() const { return dir_.path() / "bin"; }
    fs::path elsewhere() const { return dir_.path() / "elsewhere"; }
    fs::path out() const { return dir_.path() / "out"; }

    TempDir dir_;
};

// The user to run the program as so that a file without read permission is unreadable to it: none
// (the current user) unless the test runs as root.
std::optional<User> UnprivilegedUser() {
    if (::geteuid() != 0) return std::nullopt;
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody) return User{65534, 65534};
    return User{nobody->pw_uid, nobody->pw_gid};
}

// Checks the bound, the exit and what the window showed; the caller returns when this failed.
void CheckRun(const Run& run, const Shows& shows) {
    QVERIFY2(run.ended, "the program did not end within 10 seconds");
    QCOMPARE(run.exitStatus, QProcess::NormalExit);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.seen.unknown, QStringList());
    if (shows.missingFile) {
        QCOMPARE(run.seen.boxes, QStringList{"Information|必须把tesmar.ini文件与主程序放在同一个目录下！|"
                                             "information|OK"});
        // Ended by itself: the driver never got to act on the window.
        QCOMPARE(run.seen.root, QString());
        QVERIFY(!run.seen.closing);
        return;
    }
    QCOMPARE(run.seen.boxes, QStringList());
    QCOMPARE(run.seen.root, QStringLiteral("中国"));
    QCOMPARE(run.seen.provinces, shows.provinces);
    QCOMPARE(run.seen.listing, shows.listing);
    QCOMPARE(run.seen.search, shows.search);
    QVERIFY(run.seen.closing);
}

}  // namespace

Q_DECLARE_METATYPE(Maker)
Q_DECLARE_METATYPE(Shows)

class HostileFileTest : public QObject {
    Q_OBJECT

private slots:
    void startsAsDocumented_data() {
        QTest::addColumn<Maker>("make");
        QTest::addColumn<Shows>("shows");
        QTest::addColumn<bool>("unprivileged");

        QTest::newRow("empty file") << Bytes("") << kRootAlone << false;
        // The directory stands at the end, so all of the file is read.
        QTest::newRow("64 MiB") << PaddedDirectory(64 * kMiB) << DirectoryShows() << false;
        QTest::newRow("64 MiB and one byte") << PaddedDirectory(64 * kMiB + 1) << kRootAlone << false;
        // The province list's line: its first 2,047 bytes hold both names, the rest is cut.
        QTest::newRow("one 10 MiB line")
            << Bytes(Gbk(QStringLiteral("[lei]\nsel=北京,天津,")) + std::string(10 * kMiB, 'x') + "\n" +
                     Gbk(kDirectory.mid(kDirectory.indexOf(u"\n[北京]") + 1)))
            << DirectoryShows() << false;
        {
            std::string line = "[lei]";
            const std::string list = Gbk(QStringLiteral("sel=北京,天津,"));
            while (line.size() < 10 * kMiB) line += list;
            QTest::newRow("a 10 MiB file without a line end") << Bytes(line) << kRootAlone << false;
        }
        QTest::newRow("NUL bytes in names and values")
            << Bytes(Gbk("[lei]\nsel=北" + kNul + "京,天津,\n[北" + kNul + "京]\n东" + kNul + "城区=010-100" +
                         kNul + "010\n" + kNul + "=" + kNul + "\n[天津]\n和平区=022-300041" + kNul +
                         "\n蓟州区=010-301900\n"))
            << Shows{false,
                     {"北" + kNul + "京", "天津"},
                     {{"北" + kNul + "京", "东" + kNul + "城区", "010", "100" + kNul + "010"},
                      {"北" + kNul + "京", kNul, "", kNul}},
                     {{"北" + kNul + "京", "东" + kNul + "城区", "010", "100" + kNul + "010"},
                      {"天津", "蓟州区", "010", "301900"}}}
            << false;
        // Lone first bytes before line ends and list commas, 0x80 (the euro sign in GBK) and 0xFF (no
        // character at all) in section names, key names and values.
        QTest::newRow("invalid GBK") << Bytes("[lei]\x81\nsel=" + Gbk("北京") + "\x81,\x80,\xFF," +
                                              Gbk("天津") + ",\x81\n[" + Gbk("北京") + "\x81\n" +
                                              Gbk("东城区") + "=010-100010\x81\n\xFF\x80=\x80-\xFF\n" +
                                              "[\x80]\n010=010-\x81\n[\xFF]\n\x81=\xFF\xFF-\x80\x80\n[" +
                                              Gbk("天津") + "]\n" + Gbk("和平区") + "\x81=010-300041\n")
                                     << Shows{false,
                                              {"北京" + kBad, "€", kBad, "天津"},
                                              {{"北京" + kBad, "东城区", "010", "100010" + kBad},
                                               {"北京" + kBad, kBad + "€", "€", kBad}},
                                              {{"北京" + kBad, "东城区", "010", "100010" + kBad},
                                               {"€", "010", "010", kBad},
                                               {"天津", "和平区" + kBad, "010", "300041"}}}
                                     << false;
        {
            // The list names all 100,000 sections, which stand in reverse order; its first 2,047
            // bytes hold 292 names of 6 bytes and a comma.
            std::string file = "[lei]\nsel=";
            for (int i = 0; i < 100000; ++i) file += "s" + Digits(i, 5).toStdString() + ",";
            file += "\n";
            for (int i = 99999; i >= 0; --i) {
                file += "[s" + Digits(i, 5).toStdString() + "]\n" + Gbk("地区") + "=010-1" +
                        Digits(i, 5).toStdString() + "\n";
            }
            Shows shows;
            for (int i = 0; i < 292; ++i) {
                shows.provinces << "s" + Digits(i, 5);
                shows.search << QStringList{"s" + Digits(i, 5), "地区", "010", "1" + Digits(i, 5)};
            }
            shows.listing = {shows.search.first()};
            QTest::newRow("100,000 sections") << Bytes(file) << shows << false;
        }
        {
            // 2,047 names of 7 bytes and their terminators, then one name of 6 bytes, fill the
            // 16,384-byte key list to its last byte; the names after them are left out.
            const auto name = [](int i) { return i == 2047 ? QStringLiteral("k02047") : "k" + Digits(i, 6); };
            std::string file = Gbk(QStringLiteral("[lei]\nsel=北京,\n[北京]\n"));
            for (int i = 0; i < 100000; ++i)
                file += name(i).toStdString() + "=010-" + Digits(i, 6).toStdString() + "\n";
            Shows shows{false, {"北京"}, {}, {}};
            for (int i = 0; i <= 2047; ++i)
                shows.listing << QStringList{"北京", name(i), "010", Digits(i, 6)};
            shows.search = shows.listing;
            QTest::newRow("one section with 100,000 keys") << Bytes(file) << shows << false;
        }
        {
            // The rows of the report list lie in blocks of 64 KiB: each row's region, area code and
            // postcode one after another. 31 rows of 2,056 bytes and one of 1,800 fill the first block
            // exactly; the key line "=" then gives a row without a byte, which must still start in the
            // next block.
            std::string file = "[lei]\nsel=p,\n[p]\n";
            Shows shows{false, {"p"}, {}, {}};
            for (int i = 0; i < 32; ++i) {
                const std::string key = "k" + Digits(i, 9).toStdString();
                const std::string areaCode(1000, i < 31 ? '0' : '2'),
                    postcode(i < 31 ? 1046 : 790, i < 31 ? '1' : '3');
                file += key + "=" + areaCode + "-" + postcode + "\n";
                shows.listing << QStringList{"p", QString::fromStdString(key),
                                             QString::fromStdString(areaCode),
                                             QString::fromStdString(postcode)};
            }
            file += "=\n";
            shows.listing << QStringList{"p", "", "", ""};
            QTest::newRow("a province that fills a block of the list, then an empty row")
                << Bytes(file) << shows << false;
        }
        {
            // 2,047 provinces without a name, each listed from the section of the empty name.
            const QList<QStringList> rows(2047, QStringList{"", "东城区", "010", "100010"});
            QTest::newRow("province list of 2,047 commas")
                << Bytes("[lei]\nsel=" + std::string(2047, ',') + "\n[]\n" + Gbk("东城区=010-100010\n"))
                << Shows{false, QStringList(2047, QString()), {rows.first()}, rows} << false;
        }

        const auto link = [](const char* target) {
            return [target](const fs::path& ini) { fs::create_symlink(target, ini); };
        };
        QTest::newRow("directory") << Maker([](const fs::path& ini) { fs::create_directory(ini); })
                                   << kMissingFile << false;
        QTest::newRow("FIFO") << Maker([](const fs::path& ini) { QCOMPARE(::mkfifo(ini.c_str(), 0644), 0); })
                              << kMissingFile << false;
        QTest::newRow("link to an endless device") << Maker(link("/dev/zero")) << kMissingFile << false;
        QTest::newRow("dangling link") << Maker(link("nowhere.ini")) << kMissingFile << false;
        QTest::newRow("link loop") << Maker(link("tesmar.ini")) << kMissingFile << false;
        // A regular file that the program may not read, and one whose reading fails for anyone.
        QTest::newRow("unreadable file") << Maker([](const fs::path& ini) {
            WriteFile(ini, Gbk(kDirectory));
            fs::permissions(ini, fs::perms::none);
        }) << kRootAlone << true;
        QTest::newRow("link to a file that fails to read")
            << Maker(link("/proc/self/mem")) << kRootAlone << false;
    }

    void startsAsDocumented() {
        QFETCH(Maker, make);
        QFETCH(Shows, shows);
        QFETCH(bool, unprivileged);
        ProgramFolder folder;
        make(folder.ini());
        if (QTest::currentTestFailed()) return;
        const Snapshot before = folder.Take();

        const Run run = folder.Start({}, unprivileged ? UnprivilegedUser() : std::nullopt);
        if (run.exitCode == kNoUserSwitch) QSKIP("cannot run the program as an unprivileged user");
        CheckRun(run, shows);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(Lines(folder.Take()), Lines(before));
    }

    // The file changed while the program runs: the tree keeps the provinces read at start-up, and a
    // listing or search after the change is empty, without a message.
    void changedWhileRunning_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("before");
        QTest::addColumn<Shows>("shows");

        Shows afterClick = DirectoryShows();
        afterClick.search.clear();
        Shows beforeClick = afterClick;
        beforeClick.listing.clear();
        for (const char* change : {"delete", "directory", "unreadable"}) {
            QTest::addRow("%s before a click", change) << change << "click" << beforeClick;
            QTest::addRow("%s before a search", change) << change << "search" << afterClick;
        }
    }

    void changedWhileRunning() {
        QFETCH(QString, change);
        QFETCH(QString, before);
        QFETCH(Shows, shows);
        ProgramFolder folder;
        WriteFile(folder.ini(), Gbk(kDirectory));
        std::optional<User> user;
        if (change == "unreadable") {
            // The driver, in the program, takes the permissions away: the file must be its own.
            user = UnprivilegedUser();
            if (user) QCOMPARE(::chown(folder.ini().c_str(), user->uid, user->gid), 0);
        }
        Snapshot expected = folder.Take();

        const Run run =
            folder.Start({"TELVANE_DRIVER_CHANGE=" + change, "TELVANE_DRIVER_CHANGE_BEFORE=" + before}, user);
        if (run.exitCode == kNoUserSwitch) QSKIP("cannot run the program as an unprivileged user");
        CheckRun(run, shows);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(run.seen.changes, QStringList{"changed " + change});

        const QString ini = "bin/tesmar.ini";
        if (change == "delete") {
            expected.remove(ini);
        } else if (change == "directory") {
            expected[ini] = Entry{"directory", folder.Take().value(ini).mode, 0, 0, {}};
        } else {
            expected[ini].mode = 0;
        }
        QCOMPARE(Lines(folder.Take()), Lines(expected));
    }
};

QTEST_GUILESS_MAIN(HostileFileTest)
#include "hostile_file_test.moc"
