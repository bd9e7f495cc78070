/* Posts a menu command to the running Quillmara main window: the screenshot
   script uses it to open a window or dialog of the program. Usage:
   post-command.exe <command id> */
#include <stdlib.h>
#include <windows.h>

int main(int argc, char **argv) {
    if (argc < 2)
        return 2;
    HWND main = FindWindowA("QuillmaraMain", NULL);
    if (main == NULL)
        return 1;
    return PostMessageA(main, WM_COMMAND, (WPARAM)atoi(argv[1]), 0) ? 0 : 1;
}
