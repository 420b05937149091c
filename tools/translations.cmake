# Runs lupdate over the texts of src/gui (the window, its dialogs and the
# core's texts it shows) into a translation file.
#   cmake -DLUPDATE=lupdate -DSOURCES=src -DTS=res/lan_jp.ts [-DLANGUAGE=ja] -P translations.cmake
# brings TS up to date: new texts join it untranslated, texts gone from the
# code leave it. With -DCHECK=DIR a copy in DIR is brought up to date
# instead, and the script fails, naming them, when any text there lacks its
# translation.
cmake_minimum_required(VERSION 3.25)
foreach(_var LUPDATE SOURCES TS)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "translations.cmake needs -D${_var}=...")
  endif()
endforeach()

if(NOT DEFINED LANGUAGE)
  set(LANGUAGE ja)
endif()
set(_target ${TS})
if(DEFINED CHECK)
  file(MAKE_DIRECTORY ${CHECK})
  get_filename_component(_name ${TS} NAME)
  set(_target ${CHECK}/${_name})
  file(COPY_FILE ${TS} ${_target})
endif()

# No line numbers: they would change the file at every edit of the code.
execute_process(
  COMMAND ${LUPDATE} -silent -locations none -no-obsolete -target-language ${LANGUAGE}
          -extensions cpp,h -I ${SOURCES} ${SOURCES}/gui -ts ${_target}
  RESULT_VARIABLE _result ERROR_VARIABLE _errors)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "lupdate failed: ${_errors}")
endif()
if(_errors)
  message(WARNING "${_errors}")
endif()

if(DEFINED CHECK)
  file(READ ${_target} _text)
  # Semicolons would split the list of matches.
  string(REPLACE ";" "{semicolon}" _text "${_text}")
  string(REGEX MATCHALL
         "<source>[^<]*</source>[^<]*(<[a-z]+>[^<]*</[a-z]+>[^<]*)*<translation type=\"unfinished\""
         _untranslated "${_text}")
  if(_untranslated)
    set(_list "")
    foreach(_hit IN LISTS _untranslated)
      string(REGEX REPLACE "^<source>([^<]*)</source>.*" "\\1" _source "${_hit}")
      string(REPLACE "{semicolon}" ";" _source "${_source}")
      string(APPEND _list "\n  ${_source}")
    endforeach()
    list(LENGTH _untranslated _count)
    message(FATAL_ERROR
      "${_count} text(s) of the program have no Japanese translation yet:${_list}\n"
      "Run 'cmake --build build --target update_translations' and translate them in ${TS}.")
  endif()
endif()
