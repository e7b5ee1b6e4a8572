// One test program per desktop library, holding the Qt Test classes of all its *_test.cpp files:
// each file registers its class with TALEWICK_QT_TEST(Class); the program's main runs them all,
// under the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace talewick::testing {

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<QtTestFactory>& qtTests();

template <class T>
bool registerQtTest() {
  qtTests().push_back([] { return std::make_unique<T>(); });
  return true;
}

}  // namespace talewick::testing

#define TALEWICK_QT_TEST(Class)                          \
  [[maybe_unused]] static const bool registered##Class = \
      ::talewick::testing::registerQtTest<Class>()
