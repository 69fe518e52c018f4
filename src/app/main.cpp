// The kaskad desktop program: the mode-selection window and the two model windows.
#include "app/Program.h"

#include "numeric/extended.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    kaskad::setCalculationFloatingPointEnvironment();
    QApplication application(argc, argv);
    kaskad::app::adoptApplicationTitle();
    kaskad::app::Program program;
    program.start();
    return QApplication::exec();
}
