#include "app/CBrisvaneApp.h"

int main(int argc, char** argv) {
    app::CBrisvaneApp application;
    return application.Run(argc, argv);
}
