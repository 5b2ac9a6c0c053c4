#include <app/cmapp.h>

int main(int argc, char *argv[])
{
    return CMApp::run(argc, argv);
}
