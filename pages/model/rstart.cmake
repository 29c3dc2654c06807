# The Qt-free model of the remote-start page and its start cyclogram.
target_sources(orvantis_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/rstart_model.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rstart_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rstart_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rstart_cyclogram.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rstart_diag.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rstart_page.cpp)
