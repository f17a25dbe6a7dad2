#pragma once
// A Desktop that answers at once, from queues filled beforehand, and keeps
// what it was asked. The tests, the screenshot tool and the benchmark drive
// the wizard with it: no person answers and nothing waits for a window. It
// makes itself the desktop for as long as it lives.

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

#include "ui/desktop.h"

class QWidget;

namespace quillorn::ui {

class ScriptedDesktop : public Desktop {
 public:
  ScriptedDesktop() { installDesktop(this); }
  ~ScriptedDesktop() override { installDesktop(nullptr); }
  ScriptedDesktop(const ScriptedDesktop&) = delete;
  ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

  // Each answers from the front of its queue; an empty queue gives the
  // request's default answer, or cancels the chooser.
  MessageAnswer ask(QWidget* owner, const MessageRequest& request) override;
  QStringList chooseFiles(QWidget* owner, const FileChooserRequest& request) override;
  QStringList chooseFolders(QWidget* owner, const FolderChooserRequest& request) override;
  void openAddress(const QString& address) override { addresses << address; }
  void openHelp(const QString& address) override { helpAddresses << address; }
  void startProgram(const QString& hostPath) override { programs << hostPath; }

  std::deque<MessageAnswer> answers;
  std::deque<QStringList> fileAnswers;
  std::deque<QStringList> folderAnswers;
  // Runs when a chooser is asked, before it answers.
  std::function<void()> whileChoosing;

  std::vector<MessageRequest> asked;
  std::vector<FileChooserRequest> fileRequests;
  QStringList addresses;
  QStringList helpAddresses;
  QStringList programs;
};

// Handles every waiting event, the pages' posted requests (and the work they
// start) included.
void handleWaitingEvents();

// Presses the button `control` as a click would (nothing happens when it is
// off), then handles the waiting events.
void press(QWidget* control);

}  // namespace quillorn::ui
