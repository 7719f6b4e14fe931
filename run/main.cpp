// Korvanel, a PRTG custom sensor for SAP systems on DB2 for IBM i: the entry point.
#include "run/run_driver.h"

int main(int argc, char **argv) {
    static run_record run;
    return run_sensor(run, argc, argv);
}
