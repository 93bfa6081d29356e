# Installs the build tree BUILD_DIR into a fresh PREFIX and checks the installed tree: every
# file in its place, the executables run from there, and the desktop entry and the metainfo
# pass their validators (each validator is skipped with a note when it is not installed).
if(NOT BUILD_DIR OR NOT PREFIX)
    message(FATAL_ERROR "usage: cmake -DBUILD_DIR=<build dir> -DPREFIX=<scratch prefix> -P check_install.cmake")
endif()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (exit ${rc}):\n${out}${err}")
endif()

set(desktop ${PREFIX}/share/applications/vantrel.desktop)
set(metainfo ${PREFIX}/share/metainfo/org.osmerin.vantrel.metainfo.xml)
foreach(file bin/vantrel bin/vantrel-cli share/applications/vantrel.desktop
        share/icons/hicolor/scalable/apps/vantrel.svg
        share/metainfo/org.osmerin.vantrel.metainfo.xml)
    if(NOT EXISTS ${PREFIX}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()

# The installed executables, not the build tree's, must start: nothing they need is left
# behind in the build directory.
execute_process(COMMAND ${PREFIX}/bin/vantrel --version OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "Vantrel 1.2\n")
    message(FATAL_ERROR "installed vantrel --version gave '${out}' (exit ${rc})")
endif()
execute_process(COMMAND ${PREFIX}/bin/vantrel --help OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "--language")
    message(FATAL_ERROR "installed vantrel --help failed (exit ${rc}):\n${out}")
endif()
execute_process(COMMAND ${PREFIX}/bin/vantrel-cli --help
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "INPUT" OR NOT out MATCHES "--op")
    message(FATAL_ERROR "installed vantrel-cli --help failed (exit ${rc}):\n${out}${err}")
endif()
execute_process(COMMAND ${PREFIX}/bin/vantrel-cli
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 2)
    message(FATAL_ERROR "installed vantrel-cli without INPUT gave exit ${rc}, not 2:\n${out}${err}")
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    execute_process(COMMAND ${DESKTOP_FILE_VALIDATE} ${desktop}
        OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
    # It exits 0 on warnings; those count as faults too, hints do not.
    if(NOT rc EQUAL 0 OR "${out}${err}" MATCHES ": (error|warning): ")
        message(FATAL_ERROR "desktop-file-validate rejects the desktop entry (exit ${rc}):\n${out}${err}")
    endif()
else()
    message(STATUS "desktop-file-validate not found; desktop entry not validated")
endif()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
    execute_process(COMMAND ${APPSTREAMCLI} validate --no-net ${metainfo}
        OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
    # Exit 0 still allows warnings; only infos and pedantic notes are accepted.
    if(NOT rc EQUAL 0 OR "${out}${err}" MATCHES "(^|\n)[EW]: ")
        message(FATAL_ERROR "appstreamcli rejects the metainfo (exit ${rc}):\n${out}${err}")
    endif()
else()
    message(STATUS "appstreamcli not found; metainfo not validated")
endif()
