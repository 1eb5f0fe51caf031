// Skipping a test only where an outside tool it needs is truly absent. Header-only: it needs
// GoogleTest, which the test-support library itself does not link.
#pragma once

#include <gtest/gtest.h>

#include "core/testing/tool_run.h"

// Skips the current test unless `name` is a command the shell finds.
#define REQUIRE_TOOL(name)                                                                \
  do {                                                                                    \
    if (!::core::testing::HaveTool(name)) GTEST_SKIP() << name << " is not installed"; \
  } while (0)
