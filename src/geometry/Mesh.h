// Mesh: an ordered vertex list, the generators that fill it and the routines that draw it in
// immediate mode. The direct-drawn solids compute their vertices while they draw; they use the
// list only as scratch space, or not at all. Nothing here pushes, pops or changes a matrix.
#pragma once

#include <vector>

#include "geometry/Vertex.h"
#include "texture/Texture.h"

class Mesh {
public:
    std::vector<Vertex> vertices;

    Mesh();
    ~Mesh();
    // Meshes belong to their owner for the whole run and are never copied.
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // List-drawing routines: one primitive mode each, vertices sent in list order.
    void drawTriangles();
    void drawTriangleStrip();
    void drawQuads();
    void drawQuadStrip();
    void drawLineStrip();
    void drawPolygons();

    // Generators: each empties the list first.
    void createPlane(double width, double depth, int repeat);
    void createBox(double sizeX, double sizeY, double sizeZ);
    void createTrapeze(double sizeX, double sizeY, double sizeZ, double frontScale);
    void createCylinder(double radius, double height, double segments, double repeat);
    void createCone(double bottomRadius, double topRadius, double height, double segments, double repeat);
    void createHalfSphere(double radius);

    // Direct-drawn solids.
    void drawBox();
    void drawTrapeze(double sizeX, double sizeY, double sizeZ, double frontScale, bool endFaces);
    void drawSphere(double radius, int lats, int longs);
    void drawHalfSphere(double radius, int lats, int longs);
    void drawCylinder(int bands, int segments, float height, float radius, bool caps,
                      Texture sideTexture, Texture capTexture);
    void drawHalfCylinder(int bands, int segments, float height, float radius, bool caps,
                          Texture sideTexture, Texture capTexture);
    void drawCone(int bands, int segments, float height, float topRadius, float bottomRadius, bool caps,
                  Texture sideTexture, Texture capTexture);
    void displayAxe();
};
