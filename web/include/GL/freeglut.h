/* The GLUT calls the scene makes, for the browser build: window, callbacks, timer and main loop,
 * implemented over the page by web/glut. No menus, fonts, shapes or game mode; full screen is
 * the browser's own (F11), so glutFullScreenToggle does nothing here. */
#ifndef ROBOTSCENE_WEB_FREEGLUT_H
#define ROBOTSCENE_WEB_FREEGLUT_H

#include <GL/gl.h>
#include <GL/glu.h>

#ifdef __cplusplus
extern "C" {
#endif

#define GLUT_RGB 0x0000
#define GLUT_RGBA 0x0000
#define GLUT_SINGLE 0x0000
#define GLUT_DOUBLE 0x0002
#define GLUT_DEPTH 0x0010
#define GLUT_MULTISAMPLE 0x0080

#define GLUT_LEFT_BUTTON 0
#define GLUT_MIDDLE_BUTTON 1
#define GLUT_RIGHT_BUTTON 2
#define GLUT_DOWN 0
#define GLUT_UP 1

#define GLUT_KEY_F1 0x0001
#define GLUT_KEY_F11 0x000B
#define GLUT_KEY_LEFT 0x0064
#define GLUT_KEY_UP 0x0065
#define GLUT_KEY_RIGHT 0x0066
#define GLUT_KEY_DOWN 0x0067
#define GLUT_KEY_PAGE_UP 0x0068
#define GLUT_KEY_PAGE_DOWN 0x0069
#define GLUT_KEY_HOME 0x006A
#define GLUT_KEY_END 0x006B
#define GLUT_KEY_INSERT 0x006C

#define GLUT_WINDOW_X 0x0064
#define GLUT_WINDOW_Y 0x0065
#define GLUT_WINDOW_WIDTH 0x0066
#define GLUT_WINDOW_HEIGHT 0x0067
#define GLUT_ELAPSED_TIME 0x02BC

void glutInit(int* argc, char** argv);
void glutInitDisplayMode(unsigned int mode);
void glutInitWindowSize(int width, int height);
void glutInitWindowPosition(int x, int y);
int glutCreateWindow(const char* title);
void glutSetWindowTitle(const char* title);
void glutDisplayFunc(void (*callback)(void));
void glutReshapeFunc(void (*callback)(int, int));
void glutKeyboardFunc(void (*callback)(unsigned char, int, int));
void glutKeyboardUpFunc(void (*callback)(unsigned char, int, int));
void glutSpecialFunc(void (*callback)(int, int, int));
void glutSpecialUpFunc(void (*callback)(int, int, int));
void glutMouseFunc(void (*callback)(int, int, int, int));
void glutMotionFunc(void (*callback)(int, int));
void glutMouseWheelFunc(void (*callback)(int, int, int, int));
void glutJoystickFunc(void (*callback)(unsigned int, int, int, int), int pollInterval);
void glutTimerFunc(unsigned int msecs, void (*callback)(int), int value);
void glutPostRedisplay(void);
void glutFullScreenToggle(void);
void glutPositionWindow(int x, int y);
void glutReshapeWindow(int width, int height);
void glutSwapBuffers(void);
int glutGet(GLenum what);
void glutMainLoop(void);

#ifdef __cplusplus
}
#endif

#endif
