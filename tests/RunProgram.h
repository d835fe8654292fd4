#ifndef TESTS_RUN_PROGRAM_H
#define TESTS_RUN_PROGRAM_H

#include <string>
#include <vector>

// Runs |argv| (found on PATH) with its output discarded; its exit status, or
// -1 when it cannot start or runs past |seconds| (it is then killed).
int run_program(const std::vector<std::string>& argv, double seconds = 60);

#endif
