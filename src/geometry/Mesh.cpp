// Mesh: the list-drawing routines, the generators that fill the list and the solids drawn straight
// from their parameters, all in immediate mode. Nothing here changes a matrix or switches a GL
// capability: the caller places the solid, chooses the culled side and enables texturing.
#include "geometry/Mesh.h"

#include <cmath>
#include <cstddef>

#include "geometry/Pi.h"

namespace {

constexpr double twoPi = 2 * pi; // radians, a full turn

constexpr double domeStep = 10;      // degrees between the rings and between the cells of the dome
constexpr double domeLastRing = 80;  // degrees from the pole of the last ring's upper edge
constexpr double domeLastCell = 350; // degrees round the axis of the last cell's first edge

constexpr float axisLineWidth = 2.0f; // pixels

// One flat face of the eight-corner list: its normal and its corners, counter-clockwise seen from
// outside.
struct Face {
    float nx;
    float ny;
    float nz;
    int corners[4];
};

constexpr Face boxFaces[6] = {
    {0, 0, 1, {0, 1, 2, 3}},  // +z
    {0, 0, -1, {5, 4, 7, 6}}, // -z
    {1, 0, 0, {1, 5, 6, 2}},  // +x
    {-1, 0, 0, {0, 3, 7, 4}}, // -x
    {0, 1, 0, {3, 2, 6, 7}},  // +y
    {0, -1, 0, {1, 0, 4, 5}}, // -y
};

// The tapered sides start on the small (+z) end, so that q grows from the small end to the large.
constexpr Face trapezeSides[4] = {
    {1, 0, 0, {2, 1, 5, 6}},  // +x
    {-1, 0, 0, {0, 3, 7, 4}}, // -x
    {0, 1, 0, {3, 2, 6, 7}},  // +y
    {0, -1, 0, {1, 0, 4, 5}}, // -y
};

// Every flat face shows the whole image once, whatever its size.
constexpr float faceS[4] = {0, 1, 1, 0};
constexpr float faceT[4] = {0, 0, 1, 1};

void sendPosition(const Vertex& vertex)
{
    glVertex3f(static_cast<float>(vertex.x), static_cast<float>(vertex.y), static_cast<float>(vertex.z));
}

void sendVertex(const Vertex& vertex)
{
    glTexCoord2f(static_cast<float>(vertex.u), static_cast<float>(vertex.v));
    sendPosition(vertex);
}

// One glBegin/glEnd pair per whole group of `size` vertices; an incomplete group at the end is
// left out.
void drawGroups(const std::vector<Vertex>& list, GLenum mode, std::size_t size, bool upwardNormal)
{
    for (std::size_t group = 0; group < list.size() / size; ++group) {
        glBegin(mode);
        if (upwardNormal) {
            glNormal3f(0, 1, 0);
        }
        for (std::size_t k = 0; k < size; ++k) {
            sendVertex(list[group * size + k]);
        }
        glEnd();
    }
}

// One glBegin/glEnd pair for the whole list, cut down to a whole number of groups of `size`.
void drawWhole(const std::vector<Vertex>& list, GLenum mode, std::size_t size)
{
    glBegin(mode);
    std::size_t count = list.size() / size * size;
    for (std::size_t k = 0; k < count; ++k) {
        sendVertex(list[k]);
    }
    glEnd();
}

// The eight corners of a block along z: corners 0-3 on the +z end, their x and y scaled by
// frontScale, corners 4-7 full size on the -z end; each end counter-clockwise seen from +z.
void setCorners(std::vector<Vertex>& list, double hx, double hy, double hz, double frontScale)
{
    double fx = hx * frontScale;
    double fy = hy * frontScale;
    list.clear();
    list.emplace_back(-fx, -fy, hz);
    list.emplace_back(fx, -fy, hz);
    list.emplace_back(fx, fy, hz);
    list.emplace_back(-fx, fy, hz);
    list.emplace_back(-hx, -hy, -hz);
    list.emplace_back(hx, -hy, -hz);
    list.emplace_back(hx, hy, -hz);
    list.emplace_back(-hx, hy, -hz);
}

// A point of the dome of createHalfSphere, phi degrees from its pole and theta degrees round it
// from +y towards +x.
Vertex domePoint(double radius, double phiDegrees, double thetaDegrees)
{
    double phi = phiDegrees / 180 * pi;
    double theta = thetaDegrees / 180 * pi;
    return Vertex(radius * std::sin(phi) * std::sin(theta), radius * std::sin(phi) * std::cos(theta),
                  radius * std::cos(phi), thetaDegrees / 360, (phiDegrees + phiDegrees) / 360);
}

void drawFace(const std::vector<Vertex>& corners, const Face& face)
{
    glBegin(GL_QUADS);
    glNormal3f(face.nx, face.ny, face.nz);
    for (int k = 0; k < 4; ++k) {
        glTexCoord2f(faceS[k], faceT[k]);
        sendPosition(corners[face.corners[k]]);
    }
    glEnd();
}

// A side of the tapered block. s and t are premultiplied by q, so after the division by q every
// side shows the whole image, foreshortened along the taper instead of sheared across the quad's
// two triangles.
void drawProjectiveSide(const std::vector<Vertex>& corners, const Face& side, float qSmall, float qLarge,
                        bool setWhite)
{
    const float s[4] = {0, qSmall, qLarge, 0};
    const float t[4] = {0, 0, qLarge, qLarge};
    const float q[4] = {qSmall, qSmall, qLarge, qLarge};
    glBegin(GL_QUADS);
    if (setWhite) {
        glColor3f(1, 1, 1);
    }
    glNormal3f(side.nx, side.ny, side.nz);
    for (int k = 0; k < 4; ++k) {
        glTexCoord4f(s[k], t[k], 0, q[k]);
        sendPosition(corners[side.corners[k]]);
    }
    glEnd();
}

// How the side image lies on a wall: once round and once down the whole wall, or once over the
// half turn and once down every band.
enum class SideMapping { FullTurn, HalfTurnPerBand };

// The parameters that tell the cylinder, the half-cylinder and the cone apart.
struct Wall {
    int bands;
    int segments;       // of the full circle
    int lastRung;       // rungs j = 0 ... lastRung
    float height;       // along z, centred on the origin
    float topRadius;    // upper (+z) edge of every band and the top cap
    float bottomRadius; // lower (-z) edge of every band and the bottom cap
    SideMapping mapping;
};

// A point at angle theta on a circle about the z axis, with the horizontal normal there.
struct RimPoint {
    float x;
    float y;
    float nx;
    float ny;
};

RimPoint rimPoint(double theta, float radius)
{
    float x = static_cast<float>(std::cos(theta) * radius);
    float y = static_cast<float>(std::sin(theta) * radius);
    // A zero radius has no x / r: take the direction of the angle so the normal is never NaN.
    if (radius == 0) {
        return {x, y, static_cast<float>(std::cos(theta)), static_cast<float>(std::sin(theta))};
    }
    return {x, y, x / radius, y / radius};
}

void bindIfLoaded(Texture& texture)
{
    if (texture.loaded) {
        texture.bind();
    }
}

void drawWallBand(const Wall& wall, int band, double dTheta)
{
    // The band height is a float quotient, widened before the edges are placed.
    double step = static_cast<double>(wall.height / wall.bands);
    float zTop = static_cast<float>(0.5 * wall.height - band * step);
    float zBottom = static_cast<float>(zTop - step);
    float vTop = static_cast<float>(band);
    float vBottom = static_cast<float>(band + 1);
    if (wall.mapping == SideMapping::FullTurn) {
        vTop = vTop / wall.bands;
        vBottom = vBottom / wall.bands;
    }
    glBegin(GL_TRIANGLE_STRIP);
    for (int j = 0; j <= wall.lastRung; ++j) {
        double theta = j * dTheta;
        float u = static_cast<float>(j) / wall.segments;
        if (wall.mapping == SideMapping::HalfTurnPerBand) {
            u = u * 2;
        }
        RimPoint top = rimPoint(theta, wall.topRadius);
        RimPoint bottom = rimPoint(theta, wall.bottomRadius);
        glNormal3f(top.nx, top.ny, 0);
        glTexCoord2f(u, vTop);
        glVertex3f(top.x, top.y, zTop);
        glNormal3f(bottom.nx, bottom.ny, 0);
        glTexCoord2f(u, vBottom);
        glVertex3f(bottom.x, bottom.y, zBottom);
    }
    glEnd();
}

// A fan round the centre of one end. The top rim runs with the angle and the bottom rim against
// it, so each cap faces out along its own normal. The image shows the disc inscribed in it.
void drawCap(const Wall& wall, bool top, double dTheta)
{
    float radius = top ? wall.topRadius : wall.bottomRadius;
    float z = static_cast<float>((top ? 0.5 : -0.5) * wall.height);
    glBegin(GL_TRIANGLE_FAN);
    glNormal3f(0, 0, top ? 1.0f : -1.0f);
    glTexCoord2f(0.5f, 0.5f);
    glVertex3f(0, 0, z);
    for (int n = 0; n <= wall.lastRung; ++n) {
        int k = top ? n : wall.lastRung - n;
        double theta = k * dTheta;
        glTexCoord2f(static_cast<float>(0.5 * (1 + std::cos(theta))),
                     static_cast<float>(0.5 * (1 + std::sin(theta))));
        glVertex3f(static_cast<float>(std::cos(theta) * radius), static_cast<float>(std::sin(theta) * radius),
                   z);
    }
    glEnd();
}

// The walk shared by the cylinder, the half-cylinder and the cone: bands of triangle strips from
// +z down to -z, then, when asked, the top and the bottom cap.
void drawWall(const Wall& wall, bool caps, Texture& sideTexture, Texture& capTexture)
{
    // Fewer than one segment leaves no angle step to walk (it would divide by zero).
    if (wall.segments < 1) {
        return;
    }
    double dTheta = twoPi / wall.segments;
    bindIfLoaded(sideTexture);
    for (int band = 0; band < wall.bands; ++band) {
        drawWallBand(wall, band, dTheta);
    }
    if (!caps) {
        return;
    }
    bindIfLoaded(capTexture);
    drawCap(wall, true, dTheta);
    drawCap(wall, false, dTheta);
}

// One point of a latitude band: normal, texture coordinate when textured, then position.
void sendSpherePoint(double radius, double c, double s, double lat, bool textured, float u, float v)
{
    glNormal3f(static_cast<float>(c * std::cos(lat)), static_cast<float>(s * std::cos(lat)),
               static_cast<float>(std::sin(lat)));
    if (textured) {
        glTexCoord2f(u, v);
    }
    glVertex3f(static_cast<float>(radius * c * std::cos(lat)), static_cast<float>(radius * s * std::cos(lat)),
               static_cast<float>(radius * std::sin(lat)));
}

// The walk shared by the sphere and the half-sphere: bandCount latitude bands from the south pole
// up, of a sphere cut into lats bands. The lower dome mirrors x, which turns its faces outwards,
// and carries texture coordinates; the full sphere faces inwards and has none.
void drawLatitudeBands(double radius, int bandCount, int lats, int longs, bool lowerDome)
{
    // Fewer than one longitude step leaves no angle step to walk (it would divide by zero).
    if (longs < 1) {
        return;
    }
    for (int i = 1; i <= bandCount; ++i) {
        double lat0 = pi * (static_cast<double>(i - 1) / lats - 0.5);
        double lat1 = pi * (static_cast<double>(i) / lats - 0.5);
        float v0 = static_cast<float>(static_cast<double>(i - 1) / lats);
        float v1 = static_cast<float>(static_cast<double>(i) / lats);
        glBegin(lowerDome ? GL_TRIANGLE_STRIP : GL_QUAD_STRIP);
        for (int j = 0; j <= longs; ++j) {
            double lng = twoPi * (j - 1) / longs;
            double c = lowerDome ? -std::cos(lng) : std::cos(lng);
            double s = std::sin(lng);
            float u = static_cast<float>(static_cast<double>(j) / longs);
            sendSpherePoint(radius, c, s, lat0, lowerDome, u, v0);
            sendSpherePoint(radius, c, s, lat1, lowerDome, u, v1);
        }
        glEnd();
    }
}

} // namespace

Mesh::Mesh() {}

Mesh::~Mesh() {}

void Mesh::drawTriangles()
{
    drawGroups(vertices, GL_TRIANGLES, 3, false);
}

void Mesh::drawTriangleStrip()
{
    drawWhole(vertices, GL_TRIANGLE_STRIP, 3);
}

// Every quad gets the upward normal: the planes drawn this way lie in their own x-z plane.
void Mesh::drawQuads()
{
    drawGroups(vertices, GL_QUADS, 4, true);
}

void Mesh::drawQuadStrip()
{
    drawWhole(vertices, GL_QUAD_STRIP, 1);
}

void Mesh::drawLineStrip()
{
    drawWhole(vertices, GL_LINE_STRIP, 2);
}

void Mesh::drawPolygons()
{
    drawWhole(vertices, GL_POLYGON, 1);
}

void Mesh::createPlane(double width, double depth, int repeat)
{
    double n = repeat;
    vertices.clear();
    vertices.emplace_back(-width / 2, 0, depth / 2, 0, n);
    vertices.emplace_back(width / 2, 0, depth / 2, n, n);
    vertices.emplace_back(width / 2, 0, -depth / 2, n, 0);
    vertices.emplace_back(-width / 2, 0, -depth / 2, 0, 0);
}

void Mesh::createBox(double sizeX, double sizeY, double sizeZ)
{
    setCorners(vertices, sizeX / 2, sizeY / 2, sizeZ / 2, 1);
}

void Mesh::createTrapeze(double sizeX, double sizeY, double sizeZ, double frontScale)
{
    setCorners(vertices, sizeX / 2, sizeY / 2, sizeZ / 2, frontScale);
}

void Mesh::createCylinder(double radius, double height, double segments, double repeat)
{
    createCone(radius, radius, height, segments, repeat);
}

// One quad per segment, counter-clockwise seen from outside. A fractional count adds a last
// segment that runs past the full turn.
void Mesh::createCone(double bottomRadius, double topRadius, double height, double segments, double repeat)
{
    vertices.clear();
    // No segment to lay out, and a count of 0 would divide the turn by zero. A count between 0 and
    // 1 still makes one quad, spanning more than the full turn.
    if (segments <= 0) {
        return;
    }
    for (int i = 0; i < segments; ++i) {
        double theta0 = pi * (2 * i) / segments;
        double theta1 = pi * (2 * i + 2) / segments;
        double u0 = (i / segments) * repeat;
        double u1 = ((i + 1) / segments) * repeat;
        double c0 = std::cos(theta0);
        double s0 = std::sin(theta0);
        double c1 = std::cos(theta1);
        double s1 = std::sin(theta1);
        vertices.emplace_back(bottomRadius * c1, -height / 2, bottomRadius * s1, u1, repeat);
        vertices.emplace_back(bottomRadius * c0, -height / 2, bottomRadius * s0, u0, repeat);
        vertices.emplace_back(topRadius * c0, height / 2, topRadius * s0, u0, 0);
        vertices.emplace_back(topRadius * c1, height / 2, topRadius * s1, u1, 0);
    }
}

// Two rungs of a strip per cell, the pole-side vertex first in each rung.
void Mesh::createHalfSphere(double radius)
{
    vertices.clear();
    for (double phi = 0; phi <= domeLastRing; phi += domeStep) {
        for (double theta = 0; theta <= domeLastCell; theta += domeStep) {
            vertices.push_back(domePoint(radius, phi, theta));
            vertices.push_back(domePoint(radius, phi + domeStep, theta));
            vertices.push_back(domePoint(radius, phi, theta + domeStep));
            vertices.push_back(domePoint(radius, phi + domeStep, theta + domeStep));
        }
    }
}

void Mesh::drawBox()
{
    // The faces index corners 0-7: a shorter list holds no box to draw.
    if (vertices.size() < 8) {
        return;
    }
    for (const Face& face : boxFaces) {
        drawFace(vertices, face);
    }
}

void Mesh::drawTrapeze(double sizeX, double sizeY, double sizeZ, double frontScale, bool endFaces)
{
    // The corners are built from half extents rounded to single precision.
    double hx = static_cast<float>(sizeX / 2);
    double hy = static_cast<float>(sizeY / 2);
    double hz = static_cast<float>(sizeZ / 2);
    setCorners(vertices, hx, hy, hz, frontScale);
    // Their ratio is the taper, which is all the projective mapping needs.
    float qLarge = static_cast<float>(sizeX * sizeY * sizeZ);
    float qSmall = static_cast<float>(sizeX * sizeY * sizeZ * frontScale);
    if (endFaces) {
        drawFace(vertices, boxFaces[0]);
        drawFace(vertices, boxFaces[1]);
    }
    for (int k = 0; k < 4; ++k) {
        drawProjectiveSide(vertices, trapezeSides[k], qSmall, qLarge, k == 0);
    }
}

void Mesh::drawSphere(double radius, int lats, int longs)
{
    drawLatitudeBands(radius, lats, lats, longs, false);
}

void Mesh::drawHalfSphere(double radius, int lats, int longs)
{
    drawLatitudeBands(radius, lats / 2, lats, longs, true);
}

void Mesh::drawCylinder(int bands, int segments, float height, float radius, bool caps, Texture sideTexture,
                        Texture capTexture)
{
    Wall wall{bands, segments, segments, height, radius, radius, SideMapping::FullTurn};
    drawWall(wall, caps, sideTexture, capTexture);
}

void Mesh::drawHalfCylinder(int bands, int segments, float height, float radius, bool caps,
                            Texture sideTexture, Texture capTexture)
{
    Wall wall{bands, segments, segments / 2, height, radius, radius, SideMapping::HalfTurnPerBand};
    drawWall(wall, caps, sideTexture, capTexture);
}

void Mesh::drawCone(int bands, int segments, float height, float topRadius, float bottomRadius, bool caps,
                    Texture sideTexture, Texture capTexture)
{
    Wall wall{bands, segments, segments, height, topRadius, bottomRadius, SideMapping::FullTurn};
    drawWall(wall, caps, sideTexture, capTexture);
}

void Mesh::displayAxe()
{
    const float colours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}; // red x, green y, blue z
    vertices.clear();
    vertices.emplace_back(0, 0, 0);
    vertices.emplace_back(1, 0, 0);
    vertices.emplace_back(0, 1, 0);
    vertices.emplace_back(0, 0, 1);
    for (int axis = 0; axis < 3; ++axis) {
        glLineWidth(axisLineWidth);
        glBegin(GL_LINES);
        glColor3f(colours[axis][0], colours[axis][1], colours[axis][2]);
        sendPosition(vertices[0]);
        sendPosition(vertices[axis + 1]);
        glEnd();
    }
}
