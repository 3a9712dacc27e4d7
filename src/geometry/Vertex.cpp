// Vertex: construction and a debugging print of the position. Holds no GL state and draws nothing.
#include "geometry/Vertex.h"

#include <iostream>

Vertex::Vertex() : x(0), y(0), z(0), u(0), v(0) {}

Vertex::Vertex(double x, double y, double z) : x(x), y(y), z(z), u(0), v(0) {}

Vertex::Vertex(double x, double y, double z, double u, double v) : x(x), y(y), z(z), u(u), v(v) {}

Vertex::~Vertex() {}

void Vertex::toString() const
{
    std::cout << "(" << x << ", " << y << ", " << z << ")";
}
