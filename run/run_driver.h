// The run driver: the whole life of one sensor process, from the arguments to the
// exit status. It sequences the steps that the other folders perform and turns
// every failure they report into the PRTG error document.
#pragma once

#include "core/program_identity.h"
#include "core/run_record.h"


/// Runs the sensor on `run` (zeroed by the caller) with the process arguments; prints
/// exactly one document on standard output and returns the exit status. A fatal RFC
/// library failure ends the process inside, with status 1.
int run_sensor(run_record &run, int argc, const char *const *argv);

/// The single-profile run from the RFC environment on, over the profile record already
/// read: logon, system identification, database check, measurement, closing; prints
/// the trace lines and exactly one document and returns the exit status.
int run_single_profile(run_record &run);
