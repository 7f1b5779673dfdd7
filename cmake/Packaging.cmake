# Installing the program and packing it as a Debian package (CPack, DEB).
#
#   /usr/lib/gearcalc/      the program folder as deployed: gearcalc, the
#                           runtime tavrn.vlr, the style library stylx.vlr,
#                           gearcalc-report and its PDF module
#                           gearcalc-pdf.so, and the catalogue files
#   /usr/bin/               gearcalc and gearcalc-report (links into it)
#   /usr/share/...          menu entry, icons, AppStream metadata, manual
#                           pages, copyright, changelog, README
#
# The programs find their runtime and catalogues beside their own file, so
# the folder stays whole and the links only put it on the PATH.
# `./build.sh package` builds the package; tools/package/ checks it.

include(GNUInstallDirs)

set(GEARCALC_PROGRAM_FOLDER lib/gearcalc)
set(GEARCALC_PACKAGE_MAINTAINER "ZKD-KESTAL gear calculator <gearcalc@zkd-kestal.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(packaging ${PROJECT_SOURCE_DIR}/packaging)
set(staged ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS gearcalc gearcalc-report RUNTIME DESTINATION ${GEARCALC_PROGRAM_FOLDER})
install(TARGETS tavrn stylx LIBRARY DESTINATION ${GEARCALC_PROGRAM_FOLDER})
# gearcalc-report's PDF module (--card), loaded from beside it.
if(TARGET gearcalc_pdf)
  install(TARGETS gearcalc_pdf LIBRARY DESTINATION ${GEARCALC_PROGRAM_FOLDER})
endif()
install(FILES ${GEARCALC_DIST_DIR}/spc.edb ${GEARCALC_DIST_DIR}/gc.edb ${GEARCALC_DIST_DIR}/ZKD.edb
        DESTINATION ${GEARCALC_PROGRAM_FOLDER})
foreach(command gearcalc gearcalc-report)
  install(CODE "
    set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(MAKE_DIRECTORY \"\${bin}\")
    file(CREATE_LINK ../${GEARCALC_PROGRAM_FOLDER}/${command} \"\${bin}/${command}\" SYMBOLIC)")
endforeach()

# Texts that carry the version or the date, and compressed documentation
# (gzip -n: no time stamp, so the package is the same for the same sources).
string(TIMESTAMP GEARCALC_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${packaging}/gearcalc.metainfo.xml ${staged}/gearcalc.metainfo.xml @ONLY)
find_program(GEARCALC_GZIP gzip REQUIRED)
set(compressed)
foreach(source man/gearcalc.1 man/gearcalc-report.1 changelog)
  get_filename_component(name ${source} NAME)
  configure_file(${packaging}/${source} ${staged}/${name} @ONLY)
  add_custom_command(OUTPUT ${staged}/${name}.gz
                     COMMAND ${GEARCALC_GZIP} -9nf -k ${staged}/${name}
                     DEPENDS ${staged}/${name} VERBATIM)
  list(APPEND compressed ${staged}/${name}.gz)
endforeach()
add_custom_target(packaging_texts ALL DEPENDS ${compressed})

install(FILES ${packaging}/gearcalc.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${staged}/gearcalc.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME cn.zkd_kestal.gearcalc.metainfo.xml)
foreach(size 16 32 48)
  install(FILES ${packaging}/icons/gearcalc-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME gearcalc.png)
endforeach()
install(FILES ${staged}/gearcalc.1.gz ${staged}/gearcalc-report.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging}/copyright ${staged}/changelog.gz ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gearcalc)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ZKD-KESTAL)
set(CPACK_PACKAGE_CONTACT ${GEARCALC_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "calculator for spur and helical gears with the maker's tolerances")
# CPack puts the summary in front as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "From the module, the number of teeth, the pressure angle and the helix\n"
    "angle, or from the maker's item number, the window works out the basic\n"
    "dimensions, the span measurement and the DIN 3967 tooth-thickness\n"
    "allowances with the maker's own span measurement and its lower\n"
    "deviation, and prints the report. gearcalc-report gives the same report\n"
    "on the command line. All texts of the window are Chinese.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # gearcalc_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binaries link, as dpkg-shlibdeps finds them; and what
# the window needs besides: Qt's platform plugins, a typeface with Chinese
# glyphs and Qt's Chinese translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/\\\\.git/")
include(CPack)
