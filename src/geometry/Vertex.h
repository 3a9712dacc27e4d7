// Vertex: one vertex of a mesh, position and texture coordinates in double precision.
// Values are narrowed to float only when they are handed to OpenGL.
#pragma once

class Vertex {
public:
    double x; // position, scene units
    double y;
    double z;
    double u; // texture coordinate along the image's width (GL s)
    double v; // texture coordinate along the image's height (GL t)

    Vertex();
    Vertex(double x, double y, double z);
    Vertex(double x, double y, double z, double u, double v);
    ~Vertex();

    // Prints "(x, y, z)" to standard output in the stream's default format, without a line break.
    void toString() const;
};
