# End-to-end runs of the configuration dialog (label e2e), included by this
# folder's CMakeLists.txt: the native program and the .scr of the Windows build
# under Wine (the run fails when it has not been built). Each starts its own
# Xvfb; the screenshots of the dialogs go beside the saver's.
if(WIN32)
    return()
endif()
set(dialog_e2e ${CMAKE_CURRENT_LIST_DIR}/dialog_e2e.py)

add_test(NAME e2e.dialog.native
         COMMAND ${Python3_EXECUTABLE} ${dialog_e2e} native $<TARGET_FILE:letterglass> ${E2E_SHOTS})
add_test(NAME e2e.dialog.wine
         COMMAND ${Python3_EXECUTABLE} ${dialog_e2e} wine ${LETTERGLASS_WIN32_SCR} ${E2E_SHOTS})
set_tests_properties(e2e.dialog.native e2e.dialog.wine PROPERTIES
                     LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
