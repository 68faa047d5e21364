# The Debian package of the program (scripts/package.sh, or `cpack --config build/CPackConfig.cmake`):
# the "system" install component under /usr, i.e. both programs in bin/, the ready templates, demo
# orders, default settings and font table in share/waybill/, the desktop entry, its icon and the
# manual page of waybill-cli made from its own help.

# waybill-cli(1), written by the program from the same table its --help is made from.
set(WAYBILL_MANPAGE ${CMAKE_BINARY_DIR}/man/waybill-cli.1.gz)
add_custom_command(OUTPUT ${WAYBILL_MANPAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND sh -c "\"$<TARGET_FILE:waybill-cli>\" --help-man | gzip -9n > \"${WAYBILL_MANPAGE}\""
    DEPENDS waybill-cli
    COMMENT "Writing the manual page of waybill-cli"
    VERBATIM)
add_custom_target(waybill-manpage ALL DEPENDS ${WAYBILL_MANPAGE})

install(FILES ${WAYBILL_MANPAGE} DESTINATION share/man/man1 COMPONENT system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/waybill.desktop DESTINATION share/applications COMPONENT system)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/waybill.svg DESTINATION share/icons/hicolor/scalable/apps
    COMPONENT system)

# The font packages the font table names: text is drawn with their files and no others.
file(STRINGS ${PROJECT_SOURCE_DIR}/data/config/fonts.ini font_lines REGEX "^Package[ \t]*=")
set(font_packages)
foreach(line IN LISTS font_lines)
    string(REGEX REPLACE "^Package[ \t]*=[ \t]*([^ \t;]+).*" "\\1" package "${line}")
    list(APPEND font_packages ${package})
endforeach()
list(REMOVE_DUPLICATES font_packages)
list(SORT font_packages)
string(REPLACE ";" ", " font_depends "${font_packages}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME waybill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Waybill printer maintainers <waybill@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Courier waybill printer for small online sellers")
set(CPACK_PACKAGE_DESCRIPTION
    "Imports the orders exported from the marketplace (CSV) and prints one courier waybill per order on the carrier's pre-printed form, from ready templates or your own. Comes with the window (waybill) and the headless tool (waybill-cli).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};waybill;system;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries (Qt 6, libcups2, libzint) come from dpkg-shlibdeps; what is loaded at run time
# without being linked is named here: Qt's window platforms, its SVG icon loader, its SQLite driver
# (the print journal), the fonts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, libqt6sql6-sqlite, ${font_depends}")
include(CPack)
