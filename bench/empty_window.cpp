// The floor for the start-up figure: a FOX main window of the program's
// size with nothing in it, shown the way the program shows its own.
#include <fx.h>

int main(int argc, char* argv[]) {
    FXApp application("KodexaBenchEmptyWindow", "Taviron");
    application.init(argc, argv);
    FXMainWindow* window =
        new FXMainWindow(&application, "Kodexa bench empty window", nullptr, nullptr, DECOR_ALL, 0, 0, 600, 400);
    application.create();
    window->show(PLACEMENT_SCREEN);
    return application.run();
}
