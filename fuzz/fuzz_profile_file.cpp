// Fuzz target: any bytes as a profile file, read in both modes, with the password
// key in place, so stored passwords of every shape reach the unscrambling.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "config/password.h"
#include "config/profile_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static run_record run;
    for (profile_reading mode : {profile_reading::strict, profile_reading::lenient}) {
        run = run_record{};
        build_password_key(run.password_key);
        run.profile_name.assign("FUZZ.P00");
        run.profile_file = fmemopen(const_cast<uint8_t *>(data), size, "rb");
        if (run.profile_file == nullptr) return 0;
        run_message message;
        bool system_failed = false;
        read_profile(run, mode, message, system_failed);
    }
    return 0;
}
