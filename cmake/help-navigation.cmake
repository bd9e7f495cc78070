# Puts the one navigation bar (navigation-bar.inc) into every help page's empty
# <p class="nav"></p>, so the pages cannot list different pages. Run by the
# help build on its copy of the pages: cmake -DHELP_DIR=<folder> -P <this file>.
file(READ ${HELP_DIR}/navigation-bar.inc bar)
string(STRIP "${bar}" bar)
file(GLOB pages ${HELP_DIR}/*.html)
foreach(page IN LISTS pages)
  file(READ ${page} text)
  string(FIND "${text}" "<p class=\"nav\"></p>" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${page} has no empty navigation bar")
  endif()
  string(REPLACE "<p class=\"nav\"></p>" "<p class=\"nav\">${bar}</p>" text "${text}")
  file(WRITE ${page} "${text}")
endforeach()
file(REMOVE ${HELP_DIR}/navigation-bar.inc)
