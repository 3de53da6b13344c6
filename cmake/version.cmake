# Writes OUT, the source of PlatformVersion(): VERSION and, where SOURCE is a
# git checkout, the commit it stands at. Run at every build, so that the
# commit is never stale; the file is rewritten only when its text changes, so
# nothing is rebuilt otherwise.
set(text "${VERSION}")
find_program(git git)
if(git AND EXISTS "${SOURCE}/.git")
  execute_process(COMMAND "${git}" -C "${SOURCE}" rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND commit)
    set(text "${VERSION} (commit ${commit})")
  endif()
endif()
file(CONFIGURE OUTPUT "${OUT}" CONTENT "// Made by cmake/version.cmake at build time.
#include \"platform/command_line.h\"

const char *PlatformVersion() {
  return \"${text}\";
}
" @ONLY)
