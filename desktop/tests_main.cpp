// The window's Qt Test classes in one program: `desktop_tests CLASS [Qt Test options]` runs one
// (CTest registers each), `desktop_tests` alone runs them all.
#include <QGuiApplication>
#include <QtTest>
#include <cstring>

#include "desktop/desktop_testing.hpp"
#include "desktop/main_window.hpp"

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  QGuiApplication::setOrganizationName(QStringLiteral("talewick-tests"));
  talewick::desktop::chooseRenderer();
  const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
  std::vector<char*> rest{argv[0]};
  for (int i = only ? 2 : 1; i < argc; ++i) rest.push_back(argv[i]);
  int failures = 0;
  bool found = false;
  for (const auto& test : talewick::desktop::testing::testClasses()) {
    if (only && std::strcmp(only, test.name) != 0) continue;
    found = true;
    const std::unique_ptr<QObject> object = test.make();
    failures += QTest::qExec(object.get(), static_cast<int>(rest.size()), rest.data());
  }
  if (only && !found) {
    std::fprintf(stderr, "desktop_tests : unknown test class %s\n", only);
    return 2;
  }
  return failures == 0 ? 0 : 1;
}
