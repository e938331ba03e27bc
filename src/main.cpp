// Program entry: the process's first thread becomes the window thread.
#include "shell/win_main.h"

int main(int argc, char** argv) { return WinMain(argc, argv); }
