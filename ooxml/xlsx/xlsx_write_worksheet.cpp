#include "ooxml/xlsx/xlsx_writer.h"
