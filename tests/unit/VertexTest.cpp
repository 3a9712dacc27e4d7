// Vertex: the three constructors and the printed form of toString.
#include <string>

#include <gtest/gtest.h>

#include "geometry/Vertex.h"

namespace {

struct Fields {
    double x, y, z, u, v;
};

void expectFields(const Vertex& vertex, const Fields& expected)
{
    EXPECT_EQ(vertex.x, expected.x);
    EXPECT_EQ(vertex.y, expected.y);
    EXPECT_EQ(vertex.z, expected.z);
    EXPECT_EQ(vertex.u, expected.u);
    EXPECT_EQ(vertex.v, expected.v);
}

TEST(VertexTest, ConstructorsFillFieldsInOrderAndZeroTheRest)
{
    expectFields(Vertex(), {0, 0, 0, 0, 0});
    expectFields(Vertex(1, 2, 3), {1, 2, 3, 0, 0});
    expectFields(Vertex(1, 2, 3, 4, 5), {1, 2, 3, 4, 5});
}

TEST(VertexTest, ToStringPrintsThePositionInTheDefaultFormatWithoutLineBreak)
{
    struct Case {
        Vertex vertex;
        std::string printed;
    };
    const Case cases[] = {
        {Vertex(1, 2.5, -3), "(1, 2.5, -3)"},
        {Vertex(0.1234567, 0.00001, 0), "(0.123457, 1e-05, 0)"},
        {Vertex(1234567, -0.5, 100), "(1.23457e+06, -0.5, 100)"},
        {Vertex(7, 8, 9, 0.25, 0.75), "(7, 8, 9)"}, // u and v are not printed
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        c.vertex.toString();
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    }
}

} // namespace
