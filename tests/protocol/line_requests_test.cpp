#include "line_requests.h"

#include <gtest/gtest.h>

namespace kteval::word {
namespace {

// The level buttons in their order on the signals tab and the request each
// sends; the remote LINE commands find their button by line and level.
TEST(LineRequests, LevelButtons) {
    struct Row {
        ControlLine line;
        bool high;
        int button;
        int16_t request;
    };
    const Row rows[] = {
        {ControlLine::Reset, true, 0, 218}, {ControlLine::Reset, false, 1, 219},
        {ControlLine::Clr, true, 2, 220},   {ControlLine::Clr, false, 3, 223},
        {ControlLine::Ldac, true, 4, 226},  {ControlLine::Ldac, false, 5, 227},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(levelButtonIndex(row.line, row.high), row.button);
        EXPECT_EQ(levelButtonRequest(row.button), row.request) << row.button;
    }
    EXPECT_EQ(levelButtonRequest(-1), std::nullopt);
    EXPECT_EQ(levelButtonRequest(kLevelButtonCount), std::nullopt);
}

}  // namespace
}  // namespace kteval::word
