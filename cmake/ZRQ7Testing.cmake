# SPDX-License-Identifier: MIT
# zrq7_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>]
#               [TIMEOUT <seconds>] [ENVIRONMENT <VAR=value...>] [ARGS <args...>])
#
# Builds <name> as an executable and registers it with CTest. Every test runs
# offscreen in a fresh private home (XDG folders, runtime dir, port map), so no
# test ever touches the user's own profile, recordings or ports.
# Tests find the other programs through ZRQ7_BIN_DIR (zrq7sim, cpl_zrq7).
function(zrq7_add_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT;ARGS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
    # Tests labelled "sanitize" are the ones scripts/test runs under the asan and tsan presets;
    # `cmake --build --preset asan --target sanitize_tests` builds just them and their programs.
    if("sanitize" IN_LIST T_LABELS)
        if(NOT TARGET sanitize_tests)
            add_custom_target(sanitize_tests)
        endif()
        add_dependencies(sanitize_tests ${T_NAME})
    endif()
    zrq7_register_test(NAME ${T_NAME} COMMAND $<TARGET_FILE:${T_NAME}> ${T_ARGS}
                       TIMEOUT "${T_TIMEOUT}" LABELS "${T_LABELS}" ENVIRONMENT "${T_ENVIRONMENT}")
endfunction()

# zrq7_register_test(NAME <name> COMMAND <cmd...> [TIMEOUT s] [LABELS ...] [ENVIRONMENT ...])
# Registers any command (a script, a peer run) with the same private home.
#
# Sanitizer options (read only by binaries of the asan and tsan presets) are set here for every
# test, and the programs a test starts (the simulator, the panel, helpers) inherit them: the
# first report stops the process, and reports go to files in the test's home, where
# run-in-home.sh finds them and fails the test, whichever process wrote them and however the
# test ended it. One suppression file for the uninstrumented Qt libraries serves all tests.
function(zrq7_register_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;LABELS;ENVIRONMENT" ${ARGN})
    set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
    set(reports log_path=${home}/sanitizer)
    set(sanitizers
        "ASAN_OPTIONS=${reports}:halt_on_error=1:detect_leaks=1"
        "UBSAN_OPTIONS=${reports}:halt_on_error=1:print_stacktrace=1"
        "TSAN_OPTIONS=${reports}:halt_on_error=1:die_after_fork=0:ignore_noninstrumented_modules=1:suppressions=${PROJECT_SOURCE_DIR}/tests/tsan.supp")
    add_test(NAME ${T_NAME} COMMAND ${PROJECT_SOURCE_DIR}/tests/run-in-home.sh ${T_COMMAND})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ZRQ7_TEST_HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_RUNTIME_DIR=${home}/run;ZRQ7_PORTS=${home}/ports;TMPDIR=${home}/tmp;ZRQ7_BIN_DIR=${CMAKE_BINARY_DIR}/bin;ZRQ7_SOURCE_DIR=${PROJECT_SOURCE_DIR};${sanitizers};${T_ENVIRONMENT}")
endfunction()

# zrq7_add_polish_run(<suite>)
# Registers <suite>_pl: the suite once more under the operators' locale (decimal
# comma; the programs it starts inherit it), expecting exactly what it expects
# under C. It needs the locale_pl_available check (tests/e2e) to pass first.
function(zrq7_add_polish_run suite)
    zrq7_register_test(NAME ${suite}_pl COMMAND $<TARGET_FILE:${suite}> TIMEOUT 240 LABELS "e2e;locale"
        ENVIRONMENT LANG=pl_PL.UTF-8 LC_ALL=pl_PL.UTF-8)
    set_tests_properties(${suite}_pl PROPERTIES FIXTURES_REQUIRED polish_locale)
endfunction()
