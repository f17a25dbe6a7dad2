// The GUI tests' main: an application on Qt's offscreen platform, so the
// tests drive real windows without a display, in a session of their own (a
// Ravelet the developer runs is not found, and test programs that run side
// by side do not find each other's).

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string session = (std::filesystem::temp_directory_path() / "quillorn-session-XXXXXX").string();
  if (mkdtemp(session.data()) == nullptr) return 2;
  setenv("XDG_RUNTIME_DIR", session.c_str(), 1);
  int status = 0;
  {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    status = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  std::filesystem::remove_all(session, ignored);
  return status;
}
