# Installs the build into a scratch root (DESTDIR, so that nothing reaches the machine's own
# folders whatever the configured prefix) and checks what a user gets: the files in place, the
# programs running, the desktop entry valid, the manual pages free of warnings, the service unit
# accepted by systemd. Run by ctest as tst_install.
foreach(variable BUILD_DIR ROOT INSTALL_PREFIX CONFIG_DIR DESKTOP_FILE_VALIDATE GROFF CONFIGURED_BINDIR)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} not given")
  endif()
endforeach()

set(problems "")
macro(problem text)
  string(APPEND problems "  ${text}\n")
endmacro()

# Runs a command; a non-zero status or anything on stderr (or stdout, with QUIET_OUTPUT) is a problem.
function(check_clean name)
  cmake_parse_arguments(C "QUIET_OUTPUT" "" "COMMAND;ENV" ${ARGN})
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${C_ENV} ${C_COMMAND}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT status EQUAL 0 OR NOT err STREQUAL "" OR (C_QUIET_OUTPUT AND NOT out STREQUAL ""))
    set(problems "${problems}  ${name}: status ${status}: ${out}${err}\n" PARENT_SCOPE)
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${ROOT} ${CMAKE_COMMAND} --install ${BUILD_DIR}
  RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE err)
set(PREFIX ${ROOT}${INSTALL_PREFIX})
set(CONFIG_FILE ${ROOT}${CONFIG_DIR}/mirola-server.conf)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

set(expected
  bin/mirola
  bin/mirola-server
  share/applications/mirola.desktop
  share/icons/hicolor/scalable/apps/mirola.svg
  share/man/man1/mirola.1.gz
  share/man/man1/mirola-server.1.gz
  share/doc/mirola/copyright
  share/doc/mirola/changelog.Debian.gz
  share/doc/mirola-server/copyright
  share/doc/mirola-server/changelog.Debian.gz
  share/doc/mirola/examples/mirola.ini
  lib/systemd/system/mirola-server.service)
foreach(file ${expected})
  if(NOT EXISTS ${PREFIX}/${file})
    problem("missing ${file}")
  endif()
endforeach()
if(NOT EXISTS ${CONFIG_FILE})
  problem("missing ${CONFIG_FILE}")
endif()
if(problems)
  message(FATAL_ERROR "install into ${ROOT}:\n${problems}")
endif()

# The installed programs run and describe themselves.
check_clean("mirola --help" COMMAND ${PREFIX}/bin/mirola --help)
if(NOT last_output MATCHES "usage: mirola")
  problem("mirola --help printed no usage")
endif()
check_clean("mirola-server --help" COMMAND ${PREFIX}/bin/mirola-server --help)
if(NOT last_output MATCHES "--listen")
  problem("mirola-server --help printed no options")
endif()

check_clean("desktop-file-validate" QUIET_OUTPUT
  COMMAND ${DESKTOP_FILE_VALIDATE} ${PREFIX}/share/applications/mirola.desktop)
file(STRINGS ${PREFIX}/share/applications/mirola.desktop entry)
foreach(key "Name=" "Name\\[ko\\]=" "Icon=mirola" "Exec=mirola")
  if(NOT entry MATCHES "${key}")
    problem("the desktop entry has no ${key}")
  endif()
endforeach()

foreach(page mirola mirola-server)
  execute_process(COMMAND gzip -dc ${PREFIX}/share/man/man1/${page}.1.gz
    OUTPUT_FILE ${ROOT}/${page}.1 RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    problem("${page}.1.gz is not a gzip file")
  endif()
  check_clean("groff ${page}.1" QUIET_OUTPUT COMMAND ${GROFF} -man -ww -z -Tutf8 ${ROOT}/${page}.1)
endforeach()

# The example configuration carries every key the viewer reads.
file(READ ${PREFIX}/share/doc/mirola/examples/mirola.ini ini)
foreach(key host port connectTimeoutMs registration name representative address businessType
            businessItem bankAccount picture)
  if(NOT ini MATCHES "\n;?${key}=")
    problem("the example configuration lacks ${key}")
  endif()
endforeach()

# The unit runs the installed server as its own user with the installed settings.
set(unit_file ${PREFIX}/lib/systemd/system/mirola-server.service)
file(READ ${unit_file} unit)
foreach(line "User=mirola-server" "EnvironmentFile=${CONFIG_DIR}/mirola-server.conf"
             "ExecStart=${CONFIGURED_BINDIR}/mirola-server --listen \\$\\{MIROLA_LISTEN\\} --db \\$\\{MIROLA_DB\\}"
             "NoNewPrivileges=yes" "ProtectSystem=strict")
  if(NOT unit MATCHES "\n${line}")
    problem("the service unit has no ${line}")
  endif()
endforeach()
file(STRINGS ${CONFIG_FILE} conf REGEX "^MIROLA_(LISTEN|DB)=.")
list(LENGTH conf settings)
if(NOT settings EQUAL 2)
  problem("the server's settings do not set both MIROLA_LISTEN and MIROLA_DB")
endif()
if(SYSTEMD_ANALYZE)
  # Verified as it would run from here: the program and settings of this prefix.
  string(REPLACE "${CONFIGURED_BINDIR}/" "${ROOT}${CONFIGURED_BINDIR}/" unit "${unit}")
  string(REPLACE "${CONFIG_DIR}/" "${ROOT}${CONFIG_DIR}/" unit "${unit}")
  file(WRITE ${ROOT}/verify/mirola-server.service "${unit}")
  check_clean("systemd-analyze verify" QUIET_OUTPUT ENV MANPATH=${PREFIX}/share/man
    COMMAND ${SYSTEMD_ANALYZE} verify ${ROOT}/verify/mirola-server.service)
endif()

if(problems)
  message(FATAL_ERROR "install into ${ROOT}:\n${problems}")
endif()
message(STATUS "install into ${ROOT}: all files in place and valid")
