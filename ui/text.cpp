#include "ui/text.h"

#include <QFile>

#include "platform/code_page.h"
#include "platform/host_path.h"

namespace quillorn::ui {

QString displayText(std::string_view workingText) {
  const std::string utf8 = platform::toDisplayUtf8(workingText);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string workingTextOf(const QString& screenText) {
  const QByteArray utf8 = screenText.toUtf8();
  return platform::fromDisplayUtf8(std::string(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

QString displayPath(std::string_view pathText) { return displayText(platform::displayPath(pathText)); }

std::string pathTextOf(const QString& hostPath) {
  const QByteArray bytes = QFile::encodeName(hostPath);
  return platform::toPathText(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QString accessibleCaption(std::string_view caption) {
  const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
  QString name;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('&')) {
        name += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    name += text[i] == QLatin1Char('\n') ? QChar(QLatin1Char(' ')) : text[i];
  }
  return name;
}

}  // namespace quillorn::ui
