// The main window: the province tree, the report list, the search panel and the about button.
#pragma once

#include <QIcon>
#include <QWidget>
#include <array>
#include <memory>
#include <string>

namespace telvane {

namespace Ui {
class TForm1;
}
class TReportModel;

// The one window of the program. Creating it runs FormCreate: it checks that the data file exists
// (when it does not, it says so in a modal box and asks the application to quit as soon as its event
// loop runs) and fills the tree with the root "中国" and one child per name of the file's province
// list. Afterwards every action is one of the handlers below, each run to its end within the event
// that started it; a failure inside a handler is shown in an error box captioned "Telvane" and the
// program goes on.
//
// Texts cross into Qt here only: names and values of the data file are GBK bytes, decoded for
// display, while the province nodes keep their original bytes for reading the file.
class TForm1 : public QWidget {
    Q_OBJECT

public:
    // Reads the data file beside the program (ResolveIniPath).
    explicit TForm1(QWidget* parent = nullptr);
    // Reads the data file at iniPath instead, for tests.
    explicit TForm1(std::string iniPath, QWidget* parent = nullptr);
    ~TForm1() override;

private:
    void FormCreate();
    // A primary-button click on the tree, anywhere in it, after the press has moved the selection (or
    // left it where it was; TTreeClicks): lists the selected province, or does nothing when no node or
    // the root is selected.
    void tree1Click();
    void BtnrestureClick();
    void BtnchaClick();
    void BitBtn1Click();

    // Runs handler so that nothing it throws reaches Qt's event loop.
    void Guarded(void (TForm1::*handler)());

    std::unique_ptr<Ui::TForm1> ui;
    // Pictures shared by tree1 and lview1: the root, a province, a listed entry.
    std::array<QIcon, 3> ImageList1;
    // The rows lview1 shows.
    TReportModel* lview1Rows = nullptr;
    // The data file's full path, fixed for the life of the window.
    const std::string IniPath;
};

}  // namespace telvane
