# The bridge: Korvanel's own librfc32 built on SAP's NetWeaver RFC library. Its
# translation pieces form a library of their own with their own unit tests, so
# nothing here changes the program, the stand-in or their tests.
set(bridge_unit_sources
  rfc_bridge/connect_pairs.cpp rfc_bridge/saprfc_ini.cpp rfc_bridge/logon_translation.cpp
  rfc_bridge/record_layout.cpp rfc_bridge/text_conversion.cpp
  core/trace_block.cpp rfc_bridge/return_codes.cpp rfc_bridge/netweaver_text.cpp
  core/pe_imports.cpp)
add_library(rfc_bridge_units STATIC ${bridge_unit_sources})
target_include_directories(rfc_bridge_units PUBLIC ${CMAKE_SOURCE_DIR})
# Linked into the bridge's shared library.
set_target_properties(rfc_bridge_units PROPERTIES POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

file(GLOB bridge_test_sources CONFIGURE_DEPENDS rfc_bridge/*_test.cpp)
add_executable(rfc_bridge_tests ${bridge_test_sources})
# korvanel_core brings bounded_text and the sensor's own packed decoder and trace
# diagnosis, which the tests hold the bridge's output against.
target_link_libraries(rfc_bridge_tests PRIVATE rfc_bridge_units korvanel_core ${gtest_libraries})
if(NOT WIN32)
  set_target_properties(rfc_bridge_tests PROPERTIES BUILD_RPATH "$ORIGIN")
  target_link_options(rfc_bridge_tests PRIVATE -Wl,--enable-new-dtags)
endif()
if(NOT CMAKE_CROSSCOMPILING)
  gtest_discover_tests(rfc_bridge_tests TEST_PREFIX "unit.bridge." DISCOVERY_TIMEOUT 60)
  # The same tests of the Windows builds' bridge pieces, under wine.
  foreach(arch ${wine_arches})
    use_wine_arch(${arch})
    add_test(NAME unit.bridge.${wine_arch}
      COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${wine_loader_option} --wine-exec ${wine_prefix}
              ${wine_build}/rfc_bridge_tests.exe --gtest_brief=1)
    set_tests_properties(unit.bridge.${wine_arch} PROPERTIES FIXTURES_REQUIRED ${wine_fixture}
      RESOURCE_LOCK ${wine_fixture} WORKING_DIRECTORY ${wine_build})
  endforeach()
endif()

# The bridge's operations over the NetWeaver library, apart from the eleven exported
# functions, so the unit tests can put a fake library in its place.
set(bridge_core_sources
  rfc_bridge/bridge_storage.cpp rfc_bridge/bridge_logon.cpp rfc_bridge/bridge_calls.cpp
  rfc_bridge/bridge_fields.cpp rfc_bridge/bridge_report.cpp rfc_bridge/nwrfc_functions.cpp
  rfc_bridge/system_descriptions.cpp)
if(WIN32)
  list(APPEND bridge_core_sources rfc_bridge/library_host_win32.cpp host/dll_dependencies_win32.cpp)
else()
  list(APPEND bridge_core_sources rfc_bridge/library_host_posix.cpp)
endif()
add_library(rfc_bridge_core STATIC ${bridge_core_sources})
target_link_libraries(rfc_bridge_core PUBLIC rfc_bridge_units ${CMAKE_DL_LIBS})
set_target_properties(rfc_bridge_core PROPERTIES POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(rfc_bridge_tests PRIVATE rfc_bridge_core)

# The bridge itself: librfc32.so / librfc32.dll in bridge/ of the build tree, so it
# never stands in for the stand-in beside the program. It exports the eleven
# functions of core/librfc32.h under their plain names, as the stand-in does, and its
# own KorvanelBridgeDescribe (core/rfc_library_description.h).
set(bridge_library_sources rfc_bridge/librfc32_bridge.cpp core/bounded_text.cpp)
if(WIN32)
  # The program's eleven and KorvanelBridgeDescribe, which it looks up and never imports.
  korvanel_definition_file(${CMAKE_BINARY_DIR}/librfc32_bridge.def "KorvanelBridgeDescribe@8\n" bridge_def)
  list(APPEND bridge_library_sources ${bridge_def})
endif()
add_library(rfc32_bridge SHARED ${bridge_library_sources})
target_link_libraries(rfc32_bridge PRIVATE rfc_bridge_core)
set_target_properties(rfc32_bridge PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
  PREFIX "lib" OUTPUT_NAME rfc32
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bridge LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bridge
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bridge)
if(WIN32)
  target_link_options(rfc32_bridge PRIVATE -Wl,--kill-at)
endif()

# The NetWeaver stand-in (libsapnwrfc.so / sapnwrfc.dll in nwrfc-standin/ of the
# build tree): the classic stand-in's simulated systems behind the NetWeaver
# functions the bridge calls. It shares the classic stand-in's code as a static
# library; the classic stand-in itself is built as before.
file(GLOB standin_part_sources CONFIGURE_DEPENDS rfc_standin/*.cpp)
list(FILTER standin_part_sources EXCLUDE REGEX "(_test|librfc32_exports)\\.cpp$")
add_library(rfc_standin_parts STATIC ${standin_part_sources})
target_include_directories(rfc_standin_parts PUBLIC ${CMAKE_SOURCE_DIR})
set_target_properties(rfc_standin_parts PROPERTIES POSITION_INDEPENDENT_CODE ON
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
add_library(sapnwrfc_standin SHARED nwrfc_standin/sapnwrfc_exports.cpp nwrfc_standin/containers.cpp
  nwrfc_standin/field_access.cpp nwrfc_standin/system_descriptions.cpp
  core/bounded_text.cpp)
target_link_libraries(sapnwrfc_standin PRIVATE rfc_standin_parts)
set_target_properties(sapnwrfc_standin PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/nwrfc-standin LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/nwrfc-standin
  ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/nwrfc-standin)
if(WIN32)
  # Its file properties say it is no SAP library.
  target_sources(sapnwrfc_standin PRIVATE nwrfc_standin/sapnwrfc_standin.rc)
  set_target_properties(sapnwrfc_standin PROPERTIES PREFIX "" OUTPUT_NAME sapnwrfc)
  # Plain export names, as the bridge looks for them first, and the __stdcall names
  # "Name@N" beside them for the test that holds them against SAP's documented sizes;
  # nothing of the shared stand-in code is exported beside them.
  target_link_options(sapnwrfc_standin PRIVATE -Wl,--add-stdcall-alias -Wl,--exclude-libs,ALL)
else()
  set_target_properties(sapnwrfc_standin PROPERTIES PREFIX "lib" OUTPUT_NAME sapnwrfc)
endif()

# The bridge route: a folder holding the bridge and the NetWeaver stand-in (and on
# Windows a copy of the same sensor, which loads the librfc32.dll where it looks: beside
# Korvanel.exe, in x64\ beside Korvanel64.exe, the bridge finding sapnwrfc.dll beside itself).
set(bridge_route_dir ${CMAKE_BINARY_DIR}/bridge-route)
set(bridge_route_commands
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bridge_route_dir}/${korvanel_library_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:rfc32_bridge> $<TARGET_FILE:sapnwrfc_standin>
          ${bridge_route_dir}/${korvanel_library_folder})
if(WIN32)
  list(APPEND bridge_route_commands COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:korvanel> ${bridge_route_dir}/)
endif()
add_custom_target(bridge_route ALL ${bridge_route_commands} DEPENDS rfc32_bridge sapnwrfc_standin korvanel
  COMMENT "Laying out the bridge route")

# Every scenario a second time through Korvanel -> bridge -> NetWeaver stand-in,
# natively and, with the Windows builds, under wine and wine64; and
# the scenarios of the bridge alone (rfc_bridge/scenarios/), which show what only this
# route does. Natively SAP's library cuts the systems' longer records; under wine it
# refuses the caller's shorter descriptions, so the bridge calls with the systems' own:
# every scenario shows both give the same answer.
if(NOT CMAKE_CROSSCOMPILING)
  file(GLOB bridge_scenario_dirs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/rfc_bridge/scenarios/*)
  foreach(scenario_dir ${scenario_dirs} ${bridge_scenario_dirs})
    if(IS_DIRECTORY ${scenario_dir})
      get_filename_component(scenario ${scenario_dir} NAME)
      add_test(NAME e2e.bridge.native.${scenario}
        COMMAND ${Python3_EXECUTABLE} ${scenario_runner} --program $<TARGET_FILE:korvanel>
                --bridge ${bridge_route_dir} --scenario ${scenario_dir} --work ${CMAKE_BINARY_DIR}/bridge-work
                --netweaver-descriptions cut)
      foreach(arch ${wine_arches})
        use_wine_arch(${arch})
        runs_on_width(${wine_arch} ${scenario} on_width)
        if(NOT on_width)
          continue()
        endif()
        add_test(NAME e2e.bridge.${wine_arch}.${scenario}
          COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${wine_loader_option} --program ${wine_build}/${wine_sensor}
                  --wine ${wine_bridge_prefix} --bridge ${wine_build}/bridge-route --scenario ${scenario_dir}
                  --work ${wine_build}/bridge-work --netweaver-descriptions refuse)
        set_tests_properties(e2e.bridge.${wine_arch}.${scenario} PROPERTIES
          FIXTURES_REQUIRED ${wine_bridge_fixture} RESOURCE_LOCK ${wine_bridge_fixture})
      endforeach()
    endif()
  endforeach()
endif()

# A probe where SAP's library cannot be loaded: error 1011 and a trace naming what is
# missing and where it was looked for (natively: no libsapnwrfc.so at all, and one
# whose companion library is missing; on Windows the same with sapnwrfc.dll and SAP's
# companion libsapucum.dll, and a sapnwrfc.dll of the other width, under wine).
if(WIN32)
  add_library(sapnwrfc_missing_companion SHARED nwrfc_standin/missing_companion.cpp)
  set_target_properties(sapnwrfc_missing_companion PROPERTIES PREFIX "" OUTPUT_NAME libsapucum
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/missing-companion
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/missing-companion)
  add_library(sapnwrfc_needs_companion SHARED nwrfc_standin/needs_companion.cpp)
  target_link_libraries(sapnwrfc_needs_companion PRIVATE sapnwrfc_missing_companion)
  set_target_properties(sapnwrfc_needs_companion PROPERTIES PREFIX "" OUTPUT_NAME sapnwrfc
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/needs-companion
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/needs-companion)
elseif(NOT CMAKE_CROSSCOMPILING)
  add_library(sapnwrfc_missing_companion SHARED nwrfc_standin/missing_companion.cpp)
  set_target_properties(sapnwrfc_missing_companion PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/missing-companion OUTPUT_NAME sapnwrfc_missing_companion)
  add_library(sapnwrfc_needs_companion SHARED nwrfc_standin/needs_companion.cpp)
  target_link_libraries(sapnwrfc_needs_companion PRIVATE sapnwrfc_missing_companion)
  set_target_properties(sapnwrfc_needs_companion PROPERTIES
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/needs-companion SKIP_BUILD_RPATH ON)
  add_test(NAME bridge.native.library_missing
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/bridge_library_check.py --program $<TARGET_FILE:korvanel>
            --bridge $<TARGET_FILE_DIR:rfc32_bridge> --source ${CMAKE_SOURCE_DIR}
            --work ${CMAKE_BINARY_DIR}/bridge-library-missing)
  add_test(NAME bridge.native.companion_missing
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/bridge_library_check.py --program $<TARGET_FILE:korvanel>
            --bridge $<TARGET_FILE_DIR:rfc32_bridge> --source ${CMAKE_SOURCE_DIR}
            --work ${CMAKE_BINARY_DIR}/bridge-companion-missing --broken $<TARGET_FILE:sapnwrfc_needs_companion>)
  foreach(arch ${wine_arches})
    use_wine_arch(${arch})
    set(bridge_library_check ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/bridge_library_check.py
        ${wine_loader_option} --wine ${wine_prefix} --program ${wine_build}/${wine_sensor}
        --bridge ${wine_build}/bridge --source ${CMAKE_SOURCE_DIR})
    add_test(NAME bridge.${wine_arch}.library_missing
      COMMAND ${bridge_library_check} --work ${wine_build}/bridge-library-missing)
    add_test(NAME bridge.${wine_arch}.companion_missing
      COMMAND ${bridge_library_check} --work ${wine_build}/bridge-companion-missing
              --broken ${wine_build}/needs-companion/sapnwrfc.dll)
    set(wine_bridge_checks bridge.${wine_arch}.library_missing bridge.${wine_arch}.companion_missing)
    # A sapnwrfc.dll of the other width: the 64-bit check build's own, beside the
    # 32-bit bridge, or the 32-bit build's beside the 64-bit bridge.
    if(wine_arch STREQUAL "win64" AND KORVANEL_WIN32_DIR)
      set(other_width_library ${KORVANEL_WIN32_DIR}/nwrfc-standin/sapnwrfc.dll)
    elseif(wine_arch STREQUAL "win32" AND KORVANEL_WIN64_DIR)
      set(other_width_library ${KORVANEL_WIN64_DIR}/nwrfc-standin/sapnwrfc.dll)
    else()
      set(other_width_library "")
    endif()
    if(other_width_library)
      add_test(NAME bridge.${wine_arch}.library_other_width
        COMMAND ${bridge_library_check} --work ${wine_build}/bridge-library-other-width
                --other-width ${other_width_library})
      list(APPEND wine_bridge_checks bridge.${wine_arch}.library_other_width)
    endif()
    set_tests_properties(${wine_bridge_checks} PROPERTIES
      FIXTURES_REQUIRED ${wine_fixture} RESOURCE_LOCK ${wine_fixture})
  endforeach()
endif()

# The release's walkthrough with the Linux build's programs, laid out as the zip lays out
# the Windows ones: the classic stand-in, then the bridge without and with the NetWeaver
# stand-in, each answering as the demo's scenarios demand. The same steps run on the
# zip under wine (release.win32.walkthrough, release.win64.walkthrough) where wine runs.
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
  add_test(NAME release.native.walkthrough
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/release_check.py --source ${CMAKE_SOURCE_DIR}
            --native ${CMAKE_BINARY_DIR} --work ${CMAKE_BINARY_DIR}/release-native-walkthrough-work)
endif()

# The NetWeaver stand-in's own unit tests: its exported functions called through our
# declarations of SAP's interface, linked from its sources (one stand-in per test
# process, as one per sensor process), in a fresh working directory per test.
add_executable(nwrfc_standin_tests nwrfc_standin/sapnwrfc_exports.cpp nwrfc_standin/containers.cpp
  nwrfc_standin/field_access.cpp nwrfc_standin/system_descriptions.cpp
  core/bounded_text.cpp rfc_bridge/bridge_fields.cpp rfc_bridge/text_conversion.cpp)
file(GLOB nwrfc_standin_test_sources CONFIGURE_DEPENDS nwrfc_standin/*_test.cpp)
if(WIN32)
  list(FILTER nwrfc_standin_test_sources EXCLUDE REGEX "_posix_test\\.cpp$")
endif()
target_sources(nwrfc_standin_tests PRIVATE ${nwrfc_standin_test_sources})
target_link_libraries(nwrfc_standin_tests PRIVATE rfc_standin_parts ${gtest_libraries})
if(NOT CMAKE_CROSSCOMPILING)
  gtest_discover_tests(nwrfc_standin_tests TEST_PREFIX "unit.nwrfc_standin." DISCOVERY_TIMEOUT 60)
  if(KORVANEL_ASAN_DIR)
    add_test(NAME unit.asan.nwrfc_standin COMMAND ${KORVANEL_ASAN_DIR}/nwrfc_standin_tests --gtest_brief=1)
    set_tests_properties(unit.asan.nwrfc_standin PROPERTIES WORKING_DIRECTORY ${KORVANEL_ASAN_DIR}
      ENVIRONMENT "${asan_environment}")
  endif()
  foreach(arch ${wine_arches})
    use_wine_arch(${arch})
    add_test(NAME unit.nwrfc_standin.${wine_arch}
      COMMAND ${Python3_EXECUTABLE} ${scenario_runner} ${wine_loader_option} --wine-exec ${wine_prefix}
              ${wine_build}/nwrfc_standin_tests.exe --gtest_brief=1)
    set_tests_properties(unit.nwrfc_standin.${wine_arch} PROPERTIES FIXTURES_REQUIRED ${wine_fixture}
      RESOURCE_LOCK ${wine_fixture} WORKING_DIRECTORY ${wine_build})
  endforeach()
endif()
