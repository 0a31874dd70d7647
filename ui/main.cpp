#include <QtGlobal>

#include "ui/PlotwellApp.h"

int main(int argc, char** argv)
{
    // The icon lives in the static UI library, whose resources need registering by hand.
    Q_INIT_RESOURCE(plotwell);
    CPlotwellApp app;
    return app.Run(argc, argv);
}
