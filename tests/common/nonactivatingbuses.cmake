# SPDX-License-Identifier: GPL-2.0-or-later
# ls_add_test_without_activation(<name> SOURCES ... [LIBS ...] [TIMEOUT s])
# Like ls_add_test(... BUSES), but the private buses activate nothing: their service folder
# is empty. For tests that need the daemon's name unowned ("absent daemon") or that start
# the daemon themselves with LocatordProcess and must not race with an activated one.
function(ls_add_test_without_activation name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    qt_add_executable(${name} ${T_SOURCES})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${LS_TEST_BIN_DIR})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
    set(empty_build ${CMAKE_CURRENT_BINARY_DIR}/${name}-buses)
    file(MAKE_DIRECTORY ${empty_build}/dbus-1/services ${empty_build}/dbus-1/system-services)
    add_test(NAME ${folder}.${name}
             COMMAND ${LS_WITH_BUSES} --build ${empty_build} $<TARGET_FILE:${name}>)
    set(env "QT_QPA_PLATFORM=offscreen" "QT_LOGGING_RULES=default.debug=true"
            "LS_BUILD_DIR=${CMAKE_BINARY_DIR}" "LS_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${folder}.${name} PROPERTIES
        ENVIRONMENT "${env}" LABELS "${folder}" TIMEOUT ${T_TIMEOUT})
endfunction()
