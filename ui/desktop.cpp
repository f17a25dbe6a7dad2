#include "ui/desktop.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include "platform/host_path.h"
#include "ui/template_window.h"
#include "ui/text.h"

namespace quillorn::ui {
namespace {

Desktop& realDesktop() {
  static Desktop real;
  return real;
}

Desktop* installed = nullptr;

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: break;
  }
  return QMessageBox::Information;
}

QMessageBox::StandardButton boxButton(MessageAnswer answer) {
  switch (answer) {
    case MessageAnswer::Yes: return QMessageBox::Yes;
    case MessageAnswer::No: return QMessageBox::No;
    case MessageAnswer::Ok: break;
  }
  return QMessageBox::Ok;
}

// A chooser of this program's own (the same on every desktop, and one whose
// views can be told to take several folders).
void setUpChooser(QFileDialog& dialog, const QString& startFolder) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (!startFolder.isEmpty()) dialog.setDirectory(startFolder);
}

}  // namespace

MessageAnswer Desktop::ask(QWidget* owner, const MessageRequest& request) {
  const std::unique_ptr<QMessageBox> box = makeMessageBox(owner, request);
  runModal(*box);
  const auto clicked = box->standardButton(box->clickedButton());
  if (clicked == QMessageBox::Yes) return MessageAnswer::Yes;
  if (clicked == QMessageBox::No) return MessageAnswer::No;
  if (clicked == QMessageBox::Ok) return MessageAnswer::Ok;
  return request.defaultAnswer;
}

QStringList Desktop::chooseFiles(QWidget* owner, const FileChooserRequest& request) {
  QFileDialog dialog(owner, request.title);
  setUpChooser(dialog, request.startFolder);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  // The label shows as written; the patterns, in the parentheses the chooser
  // reads them from, stay out of sight.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  QStringList filters;
  for (const FileFilter& filter : request.filters) {
    filters << filter.label + QStringLiteral(" (") +
                   QString(filter.patterns).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
  }
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
  if (runModal(dialog) != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QStringList Desktop::chooseFolders(QWidget* owner, const FolderChooserRequest& request) {
  QFileDialog dialog(owner, request.title);
  setUpChooser(dialog, request.startFolder);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  for (const char* view : {"listView", "treeView"}) {
    if (auto* items = dialog.findChild<QAbstractItemView*>(QLatin1String(view))) {
      items->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
  }
  if (runModal(dialog) != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

void Desktop::openAddress(const QString& address) { QDesktopServices::openUrl(QUrl(address)); }

void Desktop::openHelp(const QString& address) {
  const QString page = helpTopicFile(address);
  if (!page.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(page));
}

void Desktop::startProgram(const QString& hostPath) { QProcess::startDetached(hostPath, {}); }

Desktop& desktop() { return installed != nullptr ? *installed : realDesktop(); }

void installDesktop(Desktop* replacement) { installed = replacement; }

QString helpTopicFile(const QString& address) {
  // <guide>.chm::/<topic>><window>
  const qsizetype inside = address.indexOf(QStringLiteral("::/"));
  if (inside < 0) return {};
  QString guide = address.left(inside);
  if (!guide.endsWith(QStringLiteral(".chm"), Qt::CaseInsensitive)) return {};
  guide.chop(4);
  QString topic = address.mid(inside + 3);
  const qsizetype window = topic.lastIndexOf(QLatin1Char('>'));
  if (window >= 0) topic.truncate(window);
  // A topic stays inside its guide.
  if (topic.isEmpty() || topic.split(QLatin1Char('/')).contains(QStringLiteral(".."))) return {};
  const QByteArray pathText = guide.toUtf8() + '\\' + topic.replace(QLatin1Char('/'), QLatin1Char('\\')).toUtf8();
  const QFileInfo page(QFile::decodeName(QByteArray::fromStdString(
      platform::toHostPath(std::string_view(pathText.constData(), static_cast<std::size_t>(pathText.size())))
          .string())));
  return page.isFile() ? page.absoluteFilePath() : QString();
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* owner, const MessageRequest& request) {
  const QMessageBox::StandardButtons buttons =
      request.buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  auto box = std::make_unique<QMessageBox>(boxIcon(request.icon), request.title, request.text, buttons, owner);
  box->setDefaultButton(boxButton(request.defaultAnswer));
  box->setTextFormat(Qt::PlainText);
  if (owner == nullptr) box->setWindowModality(Qt::ApplicationModal);
  return box;
}

std::vector<std::vector<std::string>> chooseFileSelections(QWidget* owner, const FileChooserRequest& request) {
  std::vector<std::vector<std::string>> selections;
  std::string folder;
  for (const QString& hostPath : desktop().chooseFiles(owner, request)) {
    const std::string path = pathTextOf(hostPath);
    const std::size_t separator = path.rfind('\\');
    // A file right under the root keeps the root's separator as its folder.
    std::string fileFolder =
        separator == std::string::npos ? std::string() : path.substr(0, separator == 0 ? 1 : separator);
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (selections.empty() || fileFolder != folder) {
      folder = fileFolder;
      selections.push_back({path});
      continue;
    }
    std::vector<std::string>& selection = selections.back();
    // A second file of the same folder turns the single path into the folder
    // followed by names.
    if (selection.size() == 1) {
      const std::string first = selection.front();
      selection = {folder, first.substr(first.rfind('\\') + 1)};
    }
    selection.push_back(std::move(name));
  }
  return selections;
}

std::vector<std::string> chooseFolderPaths(QWidget* owner, const FolderChooserRequest& request) {
  std::vector<std::string> folders;
  for (const QString& hostPath : desktop().chooseFolders(owner, request)) folders.push_back(pathTextOf(hostPath));
  return folders;
}

}  // namespace quillorn::ui
