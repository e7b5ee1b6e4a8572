// The main of the desktop libraries' test programs (see qt_tests.hpp). Arguments are not passed
// on to the test classes: a test function named on the command line would be unknown to all the
// other classes.
#include <QApplication>
#include <QTest>

#include "art/qt_tests.hpp"

namespace talewick::testing {

std::vector<QtTestFactory>& qtTests() {
  static std::vector<QtTestFactory> tests;
  return tests;
}

}  // namespace talewick::testing

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The widgets' application: the tray icon's menu is a widget.
  QApplication app(argc, argv);
  int failed = 0;
  for (const auto& make : talewick::testing::qtTests()) {
    const std::unique_ptr<QObject> test = make();
    char* programName = argv[0];
    failed += QTest::qExec(test.get(), 1, &programName);
  }
  return failed == 0 ? 0 : 1;
}
