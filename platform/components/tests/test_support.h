// The fixture of the component tests: a fresh window system with its standard controls, a virtual
// clock, a fresh application object, and a dialog script that must end with nothing unexpected.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "core/clock.h"
#include "platform/components/controls.h"
#include "platform/components/dialogs.h"

namespace platform::components::test {

class ComponentsTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;
  // Clicks the middle of a windowed control the way a user does (mouse down and up), then pumps.
  void click(TWinControl& c);
  void pump() { Application().ProcessMessages(); }

  core::VirtualClock clock_;
  std::unique_ptr<core::ScopedClock> scoped_;
  std::unique_ptr<DialogScript> dialogs_;
};

}  // namespace platform::components::test
