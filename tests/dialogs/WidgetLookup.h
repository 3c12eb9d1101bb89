#pragma once

#include <QLatin1String>
#include <QWidget>

#include <gtest/gtest.h>

namespace veltrane::dialogtest {

// A dialog's control by its object name; a missing one fails the test.
template <typename T> T* Child(QWidget* parent, const char* name) {
    T* child = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

} // namespace veltrane::dialogtest
