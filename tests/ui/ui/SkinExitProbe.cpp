// Runs into one skin failure, chosen by its arguments, and says "survived" if the program
// goes on afterwards.
//   skin_exit_probe surface PICTURE       the picture surface of PICTURE
//   skin_exit_probe dialog LAYOUT FOLDER  a skinned dialog's initialisation

#include "ui/CBaseDialog.h"
#include "ui/SkinSurface.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "surface") == 0) {
        ui::SkinSurface(argv[2], {10, 10});
    } else if (argc == 4 && std::strcmp(argv[1], "dialog") == 0) {
        ui::CBaseDialog dialog(nullptr, argv[2], argv[3]);
        dialog.OnInitDialog();
    } else {
        std::fprintf(stderr, "usage: skin_exit_probe surface PICTURE | dialog LAYOUT FOLDER\n");
        return 2;
    }
    std::printf("survived\n");
    return 3;
}
