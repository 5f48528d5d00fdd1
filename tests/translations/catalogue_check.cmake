# The English catalogue against the sources: lupdate run on a copy must find
# no new text and change nothing (no text added, changed or dropped since the
# catalogue was last brought up to date), and lrelease must find every text
# translated. Run as cmake -DLUPDATE= -DLRELEASE= -DSOURCE_DIR= -DWORK_DIR= -P.
set(catalogue ${SOURCE_DIR}/translations/tintloom_en.ts)
set(copy ${WORK_DIR}/tintloom_en.ts)
file(MAKE_DIRECTORY ${WORK_DIR})
configure_file(${catalogue} ${copy} COPYONLY)
# The same options as the command that keeps the catalogue up to date (README).
execute_process(
  COMMAND ${LUPDATE} core ui -I . -extensions cpp,h -tr-function-alias QT_TRANSLATE_NOOP+=TL_TEXT
          -source-language ja -target-language en -locations none -no-obsolete -ts ${copy}
  WORKING_DIRECTORY ${SOURCE_DIR} OUTPUT_VARIABLE scanned ERROR_VARIABLE scanned RESULT_VARIABLE failed)
if(failed OR NOT scanned MATCHES "\\(0 new and")
  message(FATAL_ERROR "Texts missing from translations/tintloom_en.ts:\n${scanned}")
endif()
file(READ ${catalogue} before)
file(READ ${copy} after)
if(NOT before STREQUAL after)
  message(FATAL_ERROR "translations/tintloom_en.ts is not up to date with the sources: run lupdate as the README says")
endif()
execute_process(COMMAND ${LRELEASE} ${copy} -qm ${WORK_DIR}/tintloom_en.qm
                OUTPUT_VARIABLE released ERROR_VARIABLE released RESULT_VARIABLE failed)
if(failed OR NOT released MATCHES " 0 unfinished" OR released MATCHES "Ignored")
  message(FATAL_ERROR "Untranslated texts in translations/tintloom_en.ts:\n${released}")
endif()
message(STATUS "${released}")
