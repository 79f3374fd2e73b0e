# Install layout and the Debian package. Included by the top CMakeLists.txt
# after the programs are defined.
include(GNUInstallDirs)

# The program finds its data folder relative to its own binary, so the
# installed tree (and a package unpacked anywhere) can be moved as a whole.
set(TELLWYN_DATA_DIR ${CMAKE_INSTALL_DATADIR}/tellwyn)
file(RELATIVE_PATH data_from_bin ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_DATADIR}/tellwyn)
target_compile_definitions(tellwyn PRIVATE TELLWYN_DATA_FROM_BIN="${data_from_bin}")

install(TARGETS tellwyn tellwyn-tokens RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_BINARY_DIR}/correct.png ${CMAKE_BINARY_DIR}/incorrect.png
    DESTINATION ${TELLWYN_DATA_DIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/demo/tokens DESTINATION ${TELLWYN_DATA_DIR}/demo
    FILES_MATCHING PATTERN "*.wav")
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tellwyn.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/tellwyn.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/org.orlinlab.tellwyn.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and the documentation, compressed as Debian wants them (gzip
# -9, no name or time stamp in the header, so a rebuild gives the same bytes).
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
set(compressed)
foreach(source man/tellwyn.1 man/tellwyn-tokens.1 changelog ../README.md)
    get_filename_component(name ${source} NAME)
    set(output ${CMAKE_BINARY_DIR}/packaging/${name}.gz)
    add_custom_command(OUTPUT ${output}
        COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${CMAKE_CURRENT_LIST_DIR}/${source} ${output}
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source} VERBATIM)
    list(APPEND compressed ${output})
endforeach()
add_custom_target(compressed-docs ALL DEPENDS ${compressed})
install(FILES ${CMAKE_BINARY_DIR}/packaging/tellwyn.1.gz
    ${CMAKE_BINARY_DIR}/packaging/tellwyn-tokens.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tellwyn)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
    ${CMAKE_BINARY_DIR}/packaging/README.md.gz DESTINATION ${doc_dir})

# A stripped install (the package's) also drops the compiler's notes, as
# Debian's own packages do.
install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
        foreach(program tellwyn tellwyn-tokens)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/\${program}\"
                COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
    endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tellwyn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Orlin Lab <tellwyn@orlinlab.invalid>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "two-alternative voice-recognition listening experiment")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Tellwyn plays a folder of recorded voices to a listener, who answers"
    "\"Mother\" or \"Stranger\" after each one. It scores and times the answers,"
    "shows each sound's waveform and spectrum, and writes the results as text."
    "tellwyn-tokens checks a folder of sound tokens before a session.")
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# dpkg-shlibdeps adds the libraries the programs link (Qt, libc, libstdc++);
# the audio plugins are loaded at run time, so it cannot see them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS libqt5multimedia5-plugins)
include(CPack)
