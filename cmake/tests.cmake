# Registers every test with CTest: the unit tests and each end-to-end scenario, on
# this native build and, when KORVANEL_WIN32_DIR and KORVANEL_WIN64_DIR name the Windows
# builds, on Korvanel.exe under wine and Korvanel64.exe under wine64 (one shared prefix
# per width and route, so the tests of one prefix run one at a time).
include(GoogleTest)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(scenario_runner ${CMAKE_SOURCE_DIR}/tools/scenario_runner.py)

gtest_discover_tests(korvanel_tests TEST_PREFIX "unit.native." DISCOVERY_TIMEOUT 60)

# The administrator's guide shows its examples from docs/examples/, scenarios like the others.
file(GLOB scenario_dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/scenarios/* ${CMAKE_SOURCE_DIR}/docs/examples/*)
foreach(scenario_dir ${scenario_dirs})
  if(IS_DIRECTORY ${scenario_dir})
    get_filename_component(scenario ${scenario_dir} NAME)
    add_test(NAME e2e.native.${scenario}
      COMMAND ${Python3_EXECUTABLE} ${scenario_runner} --program $<TARGET_FILE:korvanel>
              --scenario ${scenario_dir} --work ${CMAKE_BINARY_DIR}/scenario-work)
  endif()
endforeach()

# A multi-system run answers the same whatever its number of children: the listings'
# scenarios run again one system at a time and with 64 children at once. Not those of
# a hung system: at the time limit, one child at a time has left the systems after it
# waiting to start, which the answer rightly says.
set(parallel_variants "PARALLEL=1" "PARALLEL=64")
function(is_listing_scenario scenario result)
  if(scenario MATCHES "^(multi_|demo_|fault_multi_|guide_global|guide_family)" AND NOT scenario MATCHES "hang|time_limit")
    set(${result} TRUE PARENT_SCOPE)
  else()
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()
foreach(scenario_dir ${scenario_dirs})
  get_filename_component(scenario ${scenario_dir} NAME)
  is_listing_scenario(${scenario} listing)
  if(IS_DIRECTORY ${scenario_dir} AND listing)
    foreach(variant ${parallel_variants})
      string(REPLACE "PARALLEL=" "parallel" suffix ${variant})
      add_test(NAME e2e.native.${scenario}.${suffix}
        COMMAND ${Python3_EXECUTABLE} ${scenario_runner} --program $<TARGET_FILE:korvanel>
                --scenario ${scenario_dir} --work ${CMAKE_BINARY_DIR}/scenario-work --extra-parameter ${variant})
    endforeach()
  endif()
endforeach()

# The multi-system run's children as they really run: a hung listing answered within
# its budget with nothing left behind, no password on a child's command line or in its
# environment, the folders a killed run left removed, the trace file's blocks in
# listing order however many children ran at once, the same answer from a run that
# can make no folder and visits its systems itself, and from one whose first start of a
# child the system refuses, no child outliving a run that was killed or stopped, no
# folder left by a child whose library crashed, and the sound answer from children
# that can write no file (a full disk, a quota).
foreach(check collision crashed fulldisk hung killed quota readonly refused secrets stale trace tracelock)
  add_test(NAME children.native.${check}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/children_check.py --program $<TARGET_FILE:korvanel>
            --failing-spawn $<TARGET_FILE:failing_spawn> --failing-writes $<TARGET_FILE:failing_writes>
            --work ${CMAKE_BINARY_DIR}/children-work ${check})
endforeach()

# The fault matrix's scenario folders are what tools/fault_matrix.py writes.
add_test(NAME tool.fault_matrix COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/fault_matrix.py --check)

# The scenario runner's strict reader rejects what PRTG cannot read.
add_test(NAME tool.strict_reader COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/scenario_runner_test.py)

# The guide's pages show those examples' files and outputs as they are.
add_test(NAME docs.guide COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/guide_check.py
         --source ${CMAKE_SOURCE_DIR})
add_test(NAME docs.guide_check_notices_drift COMMAND ${Python3_EXECUTABLE}
         ${CMAKE_SOURCE_DIR}/tools/guide_check_test.py --source ${CMAKE_SOURCE_DIR})

# Two sensors with different destination files, started together 200 times in one
# working directory, never fail for each other.
set(concurrent_destination_check ${CMAKE_SOURCE_DIR}/tools/concurrent_destination_check.py)
add_test(NAME tool.native.concurrent_destination_files
  COMMAND ${Python3_EXECUTABLE} ${concurrent_destination_check} --program $<TARGET_FILE:korvanel>
          --work ${CMAKE_BINARY_DIR}/concurrent-work --rounds 200)

# The native program loads librfc32.so through a RUNPATH, which the loader path overrides.
add_test(NAME native.runpath COMMAND ${CMAKE_SOURCE_DIR}/tools/check_runpath.sh $<TARGET_FILE:korvanel>)

# What each start pays before its first step: neither the program nor the bridge needs
# the C++ runtime library, and no large table of the program is initialized data.
add_test(NAME native.start_cost COMMAND ${CMAKE_SOURCE_DIR}/tools/check_start_cost.sh $<TARGET_FILE:korvanel>
         $<TARGET_FILE:rfc32_bridge>)

# The password tool as administrators use it, with the sensor reading what it wrote.
set(password_tool_check ${CMAKE_SOURCE_DIR}/tools/password_tool_check.py)
add_test(NAME tool.native.password
  COMMAND ${Python3_EXECUTABLE} ${password_tool_check} --tool $<TARGET_FILE:korvanel-password>
          --sensor $<TARGET_FILE:korvanel> --work ${CMAKE_BINARY_DIR}/tool-work)

# The sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer, every report
# fatal) and valgrind's memcheck run the same unit tests and scenarios once more.
set(KORVANEL_ASAN_DIR "" CACHE PATH "Build tree of the sanitizer build whose tests this build also registers")
set(KORVANEL_VALGRIND OFF CACHE BOOL "Also run every scenario under valgrind's memcheck")
set(asan_environment "ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
if(KORVANEL_ASAN_DIR)
  add_test(NAME unit.asan COMMAND ${KORVANEL_ASAN_DIR}/korvanel_tests --gtest_brief=1)
  # In its own tree: the unit tests write fixture files into their working directory.
  set_tests_properties(unit.asan PROPERTIES WORKING_DIRECTORY ${KORVANEL_ASAN_DIR})
  set_tests_properties(unit.asan PROPERTIES ENVIRONMENT "${asan_environment}")
  # The password tool reads whatever is typed or piped into it.
  add_test(NAME tool.asan.password
    COMMAND ${Python3_EXECUTABLE} ${password_tool_check} --tool ${KORVANEL_ASAN_DIR}/korvanel-password
            --sensor ${KORVANEL_ASAN_DIR}/korvanel --work ${KORVANEL_ASAN_DIR}/tool-work)
  set_tests_properties(tool.asan.password PROPERTIES ENVIRONMENT "${asan_environment}")
endif()
foreach(scenario_dir ${scenario_dirs})
  if(IS_DIRECTORY ${scenario_dir})
    get_filename_component(scenario ${scenario_dir} NAME)
    if(KORVANEL_ASAN_DIR)
      add_test(NAME e2e.asan.${scenario}
        COMMAND ${Python3_EXECUTABLE} ${scenario_runner} --program ${KORVANEL_ASAN_DIR}/korvanel
                --scenario ${scenario_dir} --work ${KORVANEL_ASAN_DIR}/scenario-work)
    endif()
    if(KORVANEL_VALGRIND)
      add_test(NAME e2e.valgrind.${scenario}
        COMMAND ${Python3_EXECUTABLE} ${scenario_runner} --program $<TARGET_FILE:korvanel>
                "--wrapper=valgrind -q --error-exitcode=97 --leak-check=full --errors-for-leak-kinds=definite --show-leak-kinds=definite --suppressions=${CMAKE_SOURCE_DIR}/tools/standin_crash.supp"
                --scenario ${scenario_dir} --work ${CMAKE_BINARY_DIR}/valgrind-work)
    endif()
  endif()
endforeach()

# The Windows programs run under wine: the 32-bit ones (Korvanel.exe beside its
# librfc32.dll) natively where the kernel executes 32-bit code, elsewhere with wine's
# i386 loader under qemu-i386 (tools/wine32_route.sh, which ./dev test wraps the whole
# test run in); the 64-bit ones (Korvanel64.exe with its librfc32.dll in x64\) under
# wine64. Both widths ship, so both run every Windows test. Only where 32-bit wine cannot
# run at all (KORVANEL_WINE32_PROBLEM says why) is the 32-bit build merely built and its
# shape and release checked, with one skipped test giving the reason.
set(KORVANEL_WINE32_PROBLEM "" CACHE STRING "Why this machine runs no 32-bit wine (from tools/wine32_route.sh)")
set(korvanel_wine64_loader /usr/lib/wine/wine64)
set(korvanel_wine_runs OFF)
set(korvanel_wine64_runs OFF)
if(KORVANEL_WIN32_DIR)
  execute_process(COMMAND wine --version RESULT_VARIABLE wine_result OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(wine_result EQUAL 0)
    set(korvanel_wine_runs ON)
  endif()
endif()
if(KORVANEL_WIN64_DIR)
  execute_process(COMMAND ${korvanel_wine64_loader} --version RESULT_VARIABLE wine64_result
                  OUTPUT_QUIET ERROR_QUIET TIMEOUT 120)
  if(wine64_result EQUAL 0)
    set(korvanel_wine64_runs ON)
  endif()
endif()
if(KORVANEL_WIN32_DIR AND NOT korvanel_wine_runs)
  set(wine_problem "${KORVANEL_WINE32_PROBLEM}")
  if(NOT wine_problem)
    set(wine_problem "wine cannot start 32-bit programs here")
  endif()
  string(REPLACE "'" "" wine_problem "${wine_problem}")
  message(WARNING "${wine_problem}: the 32-bit Windows build's runs are skipped")
  add_test(NAME win32.wine_cannot_run_here COMMAND sh -c
    "echo '${wine_problem}: the 32-bit Windows build is built and checked, not run'; exit 77")
  set_tests_properties(win32.wine_cannot_run_here PROPERTIES SKIP_RETURN_CODE 77)
endif()

# The Windows builds whose programs run every Windows test here under wine.
set(wine_arches "")
if(KORVANEL_WIN32_DIR AND korvanel_wine_runs)
  list(APPEND wine_arches win32)
endif()
if(KORVANEL_WIN64_DIR AND korvanel_wine64_runs)
  list(APPEND wine_arches win64)
endif()

# Which scenarios the 64-bit program runs: "all", or "sample" (what ./dev test asks for,
# so that a whole run keeps within CI's 90 minutes on these 2-core machines): the demo,
# the guide's examples, the RFC library's loading and answers, the missing objects, the
# single-profile and the listings' exit checks, on both routes. The 32-bit program runs
# every scenario in either case.
set(KORVANEL_WIN64_SCENARIOS "all" CACHE STRING "all or sample: the scenarios the 64-bit program runs")
function(runs_on_width arch scenario result)
  if(arch STREQUAL "win64" AND KORVANEL_WIN64_SCENARIOS STREQUAL "sample" AND NOT scenario MATCHES
     "^(demo_|guide_|objects_|loader_|rfc_library|multi_detail_exit|multi_global_three|single_|profile_no|measure_success|flavour_brimtol_channel_1$|hostile_binary_profile)")
    set(${result} FALSE PARENT_SCOPE)
  else()
    set(${result} TRUE PARENT_SCOPE)
  endif()
endfunction()

# What the tests of one width (ARCH, win32 or win64) need: its build tree, the runner's
# loader option, the sensor's file name, and its two prefixes with their fixtures.
macro(use_wine_arch arch)
  set(wine_arch ${arch})
  if(arch STREQUAL "win32")
    set(wine_build ${KORVANEL_WIN32_DIR})
    set(wine_loader_option "")
    set(wine_sensor Korvanel.exe)
  else()
    set(wine_build ${KORVANEL_WIN64_DIR})
    set(wine_loader_option --wine-loader ${korvanel_wine64_loader})
    set(wine_sensor Korvanel64.exe)
  endif()
  set(wine_prefix ${wine_build}/wineprefix)
  set(wine_fixture ${arch}.wine)
  set(wine_bridge_prefix ${wine_build}/wineprefix-bridge)
  set(wine_bridge_fixture ${arch}.wine_bridge)
endmacro()

# A prefix is one machine: a scenario points its drives at its own folders, so the
# tests of one prefix run one at a time. The bridge route's scenarios have a prefix
# (and wineserver) of their own, so that two wine runs can go at once on two cores.
function(add_wine_prefix prefix fixture)  # then the runner's loader option, if any
  add_test(NAME ${fixture}.start
    COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${ARGN} --wine-setup ${prefix})
  set_tests_properties(${fixture}.start PROPERTIES FIXTURES_SETUP ${fixture} RESOURCE_LOCK ${fixture})
  add_test(NAME ${fixture}.stop
    COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${ARGN} --wine-stop ${prefix})
  set_tests_properties(${fixture}.stop PROPERTIES FIXTURES_CLEANUP ${fixture} RESOURCE_LOCK ${fixture})
endfunction()

# The listings' runs at both PARALLEL settings on the 32-bit build; the 64-bit build runs
# each scenario once (its sensor's code is the same; the run time of the test set is not).
set(release_check ${CMAKE_SOURCE_DIR}/tools/release_check.py)
foreach(arch ${wine_arches})
  use_wine_arch(${arch})
  add_wine_prefix(${wine_prefix} ${wine_fixture} ${wine_loader_option})
  add_wine_prefix(${wine_bridge_prefix} ${wine_bridge_fixture} ${wine_loader_option})

  add_test(NAME unit.${wine_arch}
    COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${wine_loader_option} --wine-exec ${wine_prefix}
            ${wine_build}/korvanel_tests.exe --gtest_brief=1)
  set_tests_properties(unit.${wine_arch} PROPERTIES FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture}
    WORKING_DIRECTORY ${wine_build})

  foreach(scenario_dir ${scenario_dirs})
    get_filename_component(scenario ${scenario_dir} NAME)
    runs_on_width(${wine_arch} ${scenario} on_width)
    if(IS_DIRECTORY ${scenario_dir} AND on_width)
      add_test(NAME e2e.${wine_arch}.${scenario}
        COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${wine_loader_option} --program ${wine_build}/${wine_sensor}
                --wine ${wine_prefix} --scenario ${scenario_dir} --work ${wine_build}/scenario-work)
      set_tests_properties(e2e.${wine_arch}.${scenario} PROPERTIES
        FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
      is_listing_scenario(${scenario} listing)
      if(listing AND wine_arch STREQUAL "win32")
        foreach(variant ${parallel_variants})
          string(REPLACE "PARALLEL=" "parallel" suffix ${variant})
          add_test(NAME e2e.${wine_arch}.${scenario}.${suffix}
            COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${wine_loader_option} --program ${wine_build}/${wine_sensor}
                    --wine ${wine_prefix} --scenario ${scenario_dir} --work ${wine_build}/scenario-work
                    --extra-parameter ${variant})
          set_tests_properties(e2e.${wine_arch}.${scenario}.${suffix} PROPERTIES
            FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
        endforeach()
      endif()
    endif()
  endforeach()

  # The password tool of this width; the release ships the 32-bit one alone (see
  # docs/installation.md), which the 64-bit walkthrough uses.
  add_test(NAME tool.${wine_arch}.password
    COMMAND ${Python3_EXECUTABLE} ${password_tool_check} ${wine_loader_option}
            --tool ${wine_build}/korvanel-password.exe --sensor ${wine_build}/${wine_sensor} --wine ${wine_prefix}
            --work ${wine_build}/tool-work)
  set_tests_properties(tool.${wine_arch}.password PROPERTIES
    FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
  # Fewer rounds: every start of a program under wine costs a good part of a second.
  add_test(NAME tool.${wine_arch}.concurrent_destination_files
    COMMAND ${Python3_EXECUTABLE} ${concurrent_destination_check} ${wine_loader_option}
            --program ${wine_build}/${wine_sensor} --wine ${wine_prefix} --work ${wine_build}/concurrent-work --rounds 20)
  set_tests_properties(tool.${wine_arch}.concurrent_destination_files PROPERTIES
    FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
  # The children as Windows starts, waits for and ends them (the checks that read /proc
  # apply natively only).
  foreach(check crashed hung killed stale trace)
    add_test(NAME children.${wine_arch}.${check}
      COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/children_check.py ${wine_loader_option}
              --wine ${wine_prefix} --program ${wine_build}/${wine_sensor} --work ${wine_build}/children-work ${check})
    set_tests_properties(children.${wine_arch}.${check} PROPERTIES
      FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
  endforeach()

  # The release zip (both widths) installed on a wine "probe", this width's files only.
  if(KORVANEL_WIN32_DIR AND KORVANEL_WIN64_DIR)
    set(password_tool_option "")
    if(NOT korvanel_wine_runs)
      # The zip's 32-bit password tool cannot start here: the 64-bit build's writes the line.
      set(password_tool_option --password-tool ${KORVANEL_WIN64_DIR}/korvanel-password.exe)
    endif()
    add_test(NAME release.${wine_arch}.walkthrough
      COMMAND ${Python3_EXECUTABLE} ${release_check} --source ${CMAKE_SOURCE_DIR} --win32 ${KORVANEL_WIN32_DIR}
              --win64 ${KORVANEL_WIN64_DIR} --work ${wine_build}/release-walkthrough-work --wine ${wine_prefix}
              --width ${wine_arch} ${password_tool_option})
    set_tests_properties(release.${wine_arch}.walkthrough PROPERTIES
      FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
  endif()
endforeach()

# Both widths installed at once from the zip in one EXEXML folder, in the 32-bit build's
# prefix (a 64-bit prefix, where wine starts programs of either width).
if("win32" IN_LIST wine_arches AND "win64" IN_LIST wine_arches)
  use_wine_arch(win32)
  add_test(NAME release.both_widths.walkthrough
    COMMAND ${Python3_EXECUTABLE} ${release_check} --source ${CMAKE_SOURCE_DIR} --win32 ${KORVANEL_WIN32_DIR}
            --win64 ${KORVANEL_WIN64_DIR} --work ${wine_build}/release-both-widths-work --wine ${wine_prefix}
            --width both)
  set_tests_properties(release.both_widths.walkthrough PROPERTIES
    FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
endif()

if(KORVANEL_WIN32_DIR)
  add_test(NAME win32.binary_shape
    COMMAND ${CMAKE_SOURCE_DIR}/tools/check_windows_binary.sh ${KORVANEL_WIN32_DIR}/Korvanel.exe
            ${KORVANEL_WIN32_DIR}/korvanel-password.exe)

  # The stand-ins' __stdcall names, as the compiler made them from our declarations,
  # against the hand-written table of SAP's documented argument sizes.
  add_test(NAME win32.stdcall_exports
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/stdcall_exports_check.py
            --table ${CMAKE_SOURCE_DIR}/core/stdcall_argument_bytes.h
            --dll ${KORVANEL_WIN32_DIR}/librfc32.dll:librfc32
            --dll ${KORVANEL_WIN32_DIR}/nwrfc-standin/sapnwrfc.dll:sapnwrfc)

endif()
if(KORVANEL_WIN32_DIR AND KORVANEL_WIN64_DIR)
  # The release zip of both widths: its listing; its installation on a wine "probe" is
  # tested above.
  add_test(NAME release.layout
    COMMAND ${Python3_EXECUTABLE} ${release_check} --source ${CMAKE_SOURCE_DIR} --win32 ${KORVANEL_WIN32_DIR}
            --win64 ${KORVANEL_WIN64_DIR} --work ${CMAKE_BINARY_DIR}/release-layout-work)
endif()

# Each fuzz target runs for KORVANEL_FUZZ_SECONDS on its seeds; what it finds new
# stays in the build tree's corpus, and a crash fails the test.
set(KORVANEL_FUZZ_DIR "" CACHE PATH "Build tree of the fuzz targets")
set(KORVANEL_FUZZ_SECONDS 30 CACHE STRING "Seconds each fuzz target runs")
if(KORVANEL_FUZZ_DIR)
  file(GLOB fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/fuzz/*.cpp)
  foreach(fuzz_source ${fuzz_sources})
    get_filename_component(fuzz_name ${fuzz_source} NAME_WE)
    string(REGEX REPLACE "^fuzz_" "" seed_name ${fuzz_name})
    set(corpus ${KORVANEL_FUZZ_DIR}/corpus/${seed_name})
    add_test(NAME fuzz.${seed_name}
      COMMAND sh -c "mkdir -p '${corpus}' && exec '${KORVANEL_FUZZ_DIR}/${fuzz_name}' -max_total_time=${KORVANEL_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=10 -artifact_prefix='${KORVANEL_FUZZ_DIR}/' '${corpus}' '${CMAKE_SOURCE_DIR}/fuzz/seeds/${seed_name}'")
  endforeach()
endif()
