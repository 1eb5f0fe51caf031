#include <gtest/gtest.h>

#include "ooxml/xlsx/xlsx_writer.h"
