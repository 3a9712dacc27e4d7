// Render state, redraw timer, projection and the frame-rate title. No drawing happens here.
#include "app/Window.h"

#include <cmath>
#include <cstdio>

#include <GL/freeglut.h>

#include "app/Scene.h"
#include "geometry/Pi.h"

char title[31] = "OpenGL project by Quillaverden";
int frame = 0;
int currenttime = 0;
int timebase = 0;

namespace {

constexpr double fieldOfView = 45.0;         // degrees, vertical; horizontal too when taller than wide
constexpr double nearPlane = 1.0;            // scene units
constexpr double farPlane = 1000.0;          // scene units
constexpr int titleUpdateInterval = 1000;    // ms

void setMaterial()
{
    const GLfloat ambient[] = {0.0f, 0.0f, 0.0f, 1.0f};
    const GLfloat diffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat emission[] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glMaterialf(GL_FRONT, GL_SHININESS, 50.0f);
}

// The position is given once, under the identity modelview: the light stays at (0, 1, 0) in eye
// coordinates and moves with the camera.
void setLight()
{
    const GLfloat ambient[] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[] = {0.8f, 0.8f, 0.8f, 1.0f};
    const GLfloat specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[] = {0.0f, 1.0f, 0.0f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
}

// A window taller than it is wide keeps the horizontal field of a square one, so the menu board,
// which fills most of a square view, stays whole on a portrait phone. Wider windows keep the
// vertical field and see more to the sides, as they always have.
double verticalField(double aspect)
{
    if (aspect >= 1.0) {
        return fieldOfView;
    }
    double halfTangent = std::tan(fieldOfView / 360.0 * pi) / aspect;
    return std::atan(halfTangent) * 360.0 / pi;
}

} // namespace

void initRenderState()
{
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    // No texture objects exist: these govern every image, re-uploaded at each bind.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    setMaterial();
    setLight();
    glEnable(GL_COLOR_MATERIAL);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glEnable(GL_NORMALIZE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
}

void initGraphics()
{
    initRenderState();
    setupScene();
}

void timerCB(int period)
{
    // The period travels as the timer's own value; re-arm before asking for the redraw.
    glutTimerFunc(static_cast<unsigned int>(period), timerCB, period);
    glutPostRedisplay();
}

void reshape(int width, int height)
{
    // A minimised window reports a side of 0; keep the projection finite.
    int safeWidth = width > 0 ? width : 1;
    int safeHeight = height > 0 ? height : 1;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, width, height);
    double aspect = static_cast<double>(safeWidth) / safeHeight;
    gluPerspective(verticalField(aspect), aspect, nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
}

void updateFrameRateTitle()
{
    frame++;
    currenttime = glutGet(GLUT_ELAPSED_TIME);
    if (currenttime - timebase > titleUpdateInterval) {
        double rate = frame * 1000.0 / (currenttime - timebase);
        char text[100];
        std::snprintf(text, sizeof text, "%s : %4.0f fps", title, rate);
        glutSetWindowTitle(text);
        timebase = currenttime;
        frame = 0;
    }
}
