// Vertex: the three constructors and the printed form of toString.
#include <array>
#include <string>

#include <gtest/gtest.h>

#include "geometry/Vertex.h"

namespace {

std::array<double, 5> fields(const Vertex& v) { return {v.x, v.y, v.z, v.u, v.v}; }

TEST(VertexTest, ConstructorsFillFieldsInOrderAndZeroTheRest)
{
    EXPECT_EQ(fields(Vertex()), (std::array<double, 5>{0, 0, 0, 0, 0}));
    EXPECT_EQ(fields(Vertex(1, 2, 3)), (std::array<double, 5>{1, 2, 3, 0, 0}));
    EXPECT_EQ(fields(Vertex(1, 2, 3, 4, 5)), (std::array<double, 5>{1, 2, 3, 4, 5}));
}

TEST(VertexTest, ToStringPrintsThePositionInTheDefaultFormatWithoutLineBreak)
{
    const std::pair<Vertex, std::string> cases[] = {
        {Vertex(1, 2.5, -3), "(1, 2.5, -3)"},
        {Vertex(0.1234567, 0.00001, 0), "(0.123457, 1e-05, 0)"},
        {Vertex(1234567, -0.5, 100), "(1.23457e+06, -0.5, 100)"},
        {Vertex(7, 8, 9, 0.25, 0.75), "(7, 8, 9)"}, // u and v are not printed
    };
    for (const auto& [vertex, printed] : cases) {
        testing::internal::CaptureStdout();
        vertex.toString();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
    }
}

} // namespace
