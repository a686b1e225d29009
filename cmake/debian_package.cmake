# What the Debian package holds beyond the installed files, made so that
# lintian finds nothing to object to: the manual pages compressed (gzip -9n,
# no time stamp in them), the changelog of packaging/changelog compressed, a
# machine-readable copyright file made from LICENSE, a real maintainer and
# GNU parallel recommended for decode-many.

set(dec_maintainer "Tavro decoder team <support@tavro.example>")

# The changelog's newest entry is this release.
file(STRINGS packaging/changelog dec_changelog_head LIMIT_COUNT 1)
if(NOT dec_changelog_head MATCHES "^tavro-decoder \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with the entry of ${PROJECT_VERSION}: "
                      "${dec_changelog_head}")
endif()

# The copyright file: the holder and the licence text of LICENSE.
file(READ LICENSE dec_license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" dec_copyright_line "${dec_license}")
set(dec_copyright "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]+\n\n" "" dec_license_text "${dec_license}")
string(STRIP "${dec_license_text}" dec_license_text)
string(REPLACE "\n\n" "\n.\n" dec_license_text "${dec_license_text}")
string(REPLACE "\n" "\n " dec_license_text " ${dec_license_text}")
configure_file(packaging/copyright.in ${PROJECT_BINARY_DIR}/packaging/copyright @ONLY)

find_program(DEC_GZIP gzip REQUIRED)
set(dec_compressed)
foreach(source decoder.1 decode-many.1 packaging/changelog)
  get_filename_component(name ${source} NAME)
  set(output ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${DEC_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND dec_compressed ${output})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${dec_compressed})

install(FILES ${PROJECT_BINARY_DIR}/packaging/decoder.1.gz ${PROJECT_BINARY_DIR}/packaging/decode-many.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tavro-decoder)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${dec_maintainer}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS parallel)
