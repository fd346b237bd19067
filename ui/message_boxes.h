// The main window's message boxes, one function a box. Each shows its box modally for the whole
// application and returns once the user has closed it; afterwards the window that was active before
// is active again, whatever the window system does on its own.
#pragma once

class QString;
class QWidget;

namespace telvane {

// The data file is missing: "必须把tesmar.ini文件与主程序放在同一个目录下！" under the title
// "Information", with the information icon and one OK button that both Enter and Esc press. It has no
// parent, as it comes before the main window shows, and stands at the centre of the screen.
void ShowMissingFileMessage();

// A search without criteria: "至少必须指定一个查询参数!" under the title "查询", with no icon and one OK
// button that both Enter and Esc press, over window.
void ShowNoCriteriaMessage(QWidget* window);

// A failure inside one of window's handlers: message under the title "Telvane", with the error icon
// and one OK button.
void ShowHandlerError(QWidget* window, const QString& message);

}  // namespace telvane
