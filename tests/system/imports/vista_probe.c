/* A program that imports a call Windows XP lacks: the import check must
   refuse it. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show) {
    (void)instance;
    (void)previous;
    (void)arguments;
    (void)show;
    return (int)RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\QuillmaraTests\\Probe");
}
