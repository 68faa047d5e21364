# Shared helpers for the layer libraries, their tests and the benchmarks.

# Precompiled headers: the Qt and standard headers nearly every file of a layer includes, compiled
# once per layer and once per test folder instead of once per file.
# Off by default: with ccache warm (the usual case here) a rebuild is cache hits either way. On a
# clean build of platform, script, report and the report suites without ccache they saved 18 % of
# the processor time (460 s -> 375 s); turn on for clean builds. Suites built with other definitions
# than their folder's first one (the ZXing checks) do not reuse its header and compile as before.
option(WAYBILL_PCH "Build with precompiled headers" OFF)
set(WAYBILL_PCH_CORE
    <QByteArray> <QHash> <QList> <QObject> <QPointer> <QString> <QStringList> <QVariant>
    <algorithm> <cmath> <functional> <memory> <vector>)
set(WAYBILL_PCH_GUI ${WAYBILL_PCH_CORE}
    <QColor> <QFont> <QImage> <QPainter> <QWidget> <QDialog> <QApplication>)
set(WAYBILL_PCH_TESTS ${WAYBILL_PCH_GUI} <QtTest> <QTemporaryDir>)

# waybill_layer(NAME DEPS...) builds waybill_<NAME> from every .cpp/.h/.qrc in the layer's folder
# (subfolders included), so adding a file never needs a CMake edit.
function(waybill_layer name)
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    if(NOT sources)
        return()
    endif()
    add_library(waybill_${name} STATIC ${sources})
    target_include_directories(waybill_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(waybill_${name} PUBLIC ${ARGN})
    # A local name hiding another local or a parameter of the same function is a mistake waiting
    # to happen; the layers are kept free of it (GCC's wording of the check).
    target_compile_options(waybill_${name} PRIVATE $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
    if(WAYBILL_PCH)
        if(name MATCHES "^(platform|script)$")
            target_precompile_headers(waybill_${name} PRIVATE ${WAYBILL_PCH_CORE})
        else()
            target_precompile_headers(waybill_${name} PRIVATE ${WAYBILL_PCH_GUI})
        endif()
    endif()
endfunction()

# waybill_tests(LIBS...) turns every tst_*.cpp of the calling folder into one Qt Test suite run by
# CTest offscreen, linked to LIBS and to the shared test support library.
function(waybill_tests)
    file(GLOB suites CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    get_filename_component(area ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    foreach(lib ${ARGN})
        if(lib MATCHES "^waybill_" AND NOT TARGET ${lib})
            return()
        endif()
    endforeach()
    foreach(src ${suites})
        get_filename_component(base ${src} NAME_WE)
        set(target ${area}_${base})
        add_executable(${target} ${src})
        target_link_libraries(${target} PRIVATE waybill_testsupport Qt6::Test ${ARGN})
        target_compile_definitions(${target} PRIVATE
            WAYBILL_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
            WAYBILL_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures")
        # The folder's suites share one precompiled header (same flags, same definitions).
        if(WAYBILL_PCH)
            if(NOT pch_host)
                target_precompile_headers(${target} PRIVATE ${WAYBILL_PCH_TESTS})
                set(pch_host ${target})
            else()
                target_precompile_headers(${target} REUSE_FROM ${pch_host})
            endif()
        endif()
        add_test(NAME ${area}/${base} COMMAND ${target})
        if(TARGET waybill_sanitized AND area MATCHES "^(platform|script|report)$")
            add_dependencies(waybill_sanitized ${target})
        endif()
        set_tests_properties(${area}/${base} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;FONTCONFIG_FILE=${WAYBILL_FONTCONFIG_FILE}"
            TIMEOUT 300)
    endforeach()
endfunction()

# The fonts the tests see: exactly the files the font table (data/config/fonts.ini) names, through
# a fontconfig configuration of the build's own (build/fontconfig/fonts.conf, a folder of links to
# those files), so that a machine with more fonts installed gives the same results. Text of layouts
# is drawn from the table's files anyway; this pins what widgets and anything else that asks the
# font system see. Made at configure time, again whenever the table changes; waybill_tests gives
# its suites FONTCONFIG_FILE, other tests set it from WAYBILL_FONTCONFIG_FILE.
function(waybill_font_config)
    set(table ${PROJECT_SOURCE_DIR}/data/config/fonts.ini)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    set(dir ${CMAKE_BINARY_DIR}/fontconfig)
    file(REMOVE_RECURSE ${dir}/fonts)
    file(MAKE_DIRECTORY ${dir}/fonts ${dir}/cache)
    file(STRINGS ${table} lines REGEX "^(Regular|Bold|Italic|BoldItalic)[ \t]*=")
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[A-Za-z]+[ \t]*=[ \t]*" "" path "${line}")
        string(STRIP "${path}" path)
        get_filename_component(name "${path}" NAME)
        if(NOT EXISTS ${dir}/fonts/${name})
            file(CREATE_LINK "${path}" ${dir}/fonts/${name} SYMBOLIC)
        endif()
    endforeach()
    file(WRITE ${dir}/fonts.conf
"<?xml version=\"1.0\"?>
<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">
<!-- The fonts of the font table and no others; made by cmake/Waybill.cmake. -->
<fontconfig>
  <dir>${dir}/fonts</dir>
  <cachedir>${dir}/cache</cachedir>
</fontconfig>
")
    set(WAYBILL_FONTCONFIG_FILE ${dir}/fonts.conf PARENT_SCOPE)
endfunction()
