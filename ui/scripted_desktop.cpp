#include "ui/scripted_desktop.h"

#include <QAbstractButton>
#include <QCoreApplication>

namespace quillorn::ui {
namespace {

template <typename Answer>
Answer takeFront(std::deque<Answer>& queue, Answer otherwise) {
  if (queue.empty()) return otherwise;
  Answer answer = std::move(queue.front());
  queue.pop_front();
  return answer;
}

}  // namespace

MessageAnswer ScriptedDesktop::ask(QWidget*, const MessageRequest& request) {
  asked.push_back(request);
  return takeFront(answers, request.defaultAnswer);
}

QStringList ScriptedDesktop::chooseFiles(QWidget*, const FileChooserRequest& request) {
  fileRequests.push_back(request);
  if (whileChoosing) whileChoosing();
  return takeFront(fileAnswers, QStringList());
}

QStringList ScriptedDesktop::chooseFolders(QWidget*, const FolderChooserRequest&) {
  if (whileChoosing) whileChoosing();
  return takeFront(folderAnswers, QStringList());
}

void handleWaitingEvents() {
  // A posted request may post another (a request that waited for a paint).
  for (int round = 0; round < 3; ++round) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

void press(QWidget* control) {
  if (auto* button = dynamic_cast<QAbstractButton*>(control)) button->click();
  handleWaitingEvents();
}

}  // namespace quillorn::ui
