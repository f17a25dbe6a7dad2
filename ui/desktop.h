#pragma once
// What a person or the desktop answers: message boxes, the file and folder
// choosers, opening a web or mail address, the help viewer, starting another
// program. The program asks through desktop(), which is the real desktop
// unless a test installed a Desktop of its own that answers at once (so no
// test ever waits for a window or a person).
//
// Help addresses name a topic inside a compiled guide beside the program
// ("<folder>\UserGuide.chm::/Files/step3.htm>MainWnd"). The guide is
// installed as the folder of pages it is compiled from ("<folder>/UserGuide/
// Files/step3.htm"), and the real desktop opens that page in the desktop's
// browser; a missing guide, page or browser opens nothing and says nothing.

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QMessageBox;
class QWidget;

namespace quillorn::ui {

enum class MessageIcon { Error, Question, Warning, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct MessageRequest {
  QString title;
  QString text;  // "\n" breaks the line
  MessageIcon icon = MessageIcon::Information;
  MessageButtons buttons = MessageButtons::Ok;
  MessageAnswer defaultAnswer = MessageAnswer::Ok;  // Yes or No for a question
};

// One entry of a chooser's type list: the label a person reads and the
// patterns that decide what is shown, separated by ';' ("*.htm;*.html").
struct FileFilter {
  QString label;
  QString patterns;
};

struct FileChooserRequest {
  QString title;
  std::vector<FileFilter> filters;  // the first is selected
  QString startFolder;              // host path; empty: the chooser's own choice
};

struct FolderChooserRequest {
  QString title;
  QString startFolder;
};

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The answer; a box closed without one counts as its default answer.
  virtual MessageAnswer ask(QWidget* owner, const MessageRequest& request);
  // Host paths of the chosen files or folders, as picked or typed (several
  // at once); empty when the chooser was cancelled.
  virtual QStringList chooseFiles(QWidget* owner, const FileChooserRequest& request);
  virtual QStringList chooseFolders(QWidget* owner, const FolderChooserRequest& request);
  // Hands a web or mail address to the desktop's opener; a failure is silent.
  virtual void openAddress(const QString& address);
  // Opens the topic of a help address (see above).
  virtual void openHelp(const QString& address);
  // Starts a program on its own, not tied to this one; a failure is silent.
  virtual void startProgram(const QString& hostPath);
};

// The Desktop that answers now.
Desktop& desktop();

// Makes `replacement` answer from now on; nullptr gives the real desktop back.
// The caller keeps ownership.
void installDesktop(Desktop* replacement);

// The host path of the installed page that the help `address` names (see
// above); empty when the address has no topic or the page is not there.
QString helpTopicFile(const QString& address);

// The message box the real desktop shows for `request`, not yet shown: its
// title, text, icon, buttons and default button as asked. Without an owner it
// blocks every window of the program while it is open.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* owner, const MessageRequest& request);

// The chooser's files as the file list takes them, path text: one selection
// per folder, either one full path or the folder followed by file names.
std::vector<std::vector<std::string>> chooseFileSelections(QWidget* owner, const FileChooserRequest& request);

// The chosen folders as path text.
std::vector<std::string> chooseFolderPaths(QWidget* owner, const FolderChooserRequest& request);

}  // namespace quillorn::ui
