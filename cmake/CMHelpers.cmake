# Shared helpers for the subsystem libraries and their tests.

# cm_add_library(<name> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# One static library per subsystem; headers are included as <folder/header.h> from src/.
function(cm_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()

# cm_add_test(<name> SOURCES ... LIBS ... [GUI] [XSERVER] [TIMEOUT seconds] [LABELS ...])
# Registers a QtTest executable with ctest. Every test runs with the user's data and
# configuration folders redirected into a private temporary folder (tests/support).
# GUI tests run on the offscreen platform; XSERVER tests run on xcb on the two-screen X server
# that scripts/test.sh starts and names in CM_XSERVER_DISPLAY, and are skipped (exit 77) when
# it is not given.
function(cm_add_test name)
    cmake_parse_arguments(ARG "GUI;XSERVER" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE cm_testsupport Qt6::Test ${ARG_LIBS})
    if(ARG_XSERVER)
        add_test(NAME ${name}
                 COMMAND ${PROJECT_SOURCE_DIR}/tests/support/xserver-run.sh $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    set(env "QT_QPA_PLATFORM=offscreen" "QT_FONT_DPI=96" "QT_SCALE_FACTOR=1"
            "QT_ENABLE_HIGHDPI_SCALING=0" "CM_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    if(ARG_XSERVER)
        set(env "QT_QPA_PLATFORM=xcb" "QT_FONT_DPI=96" "QT_ENABLE_HIGHDPI_SCALING=0"
                "CM_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
        # One server for all of them, and some tests unplug its monitors: one at a time.
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 RESOURCE_LOCK xserver)
        list(APPEND ARG_LABELS xserver)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${ARG_TIMEOUT})
    if(ARG_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
endfunction()
