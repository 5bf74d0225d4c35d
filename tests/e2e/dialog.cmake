# The configuration dialog end to end on an Xvfb: the program, and the .scr under Wine.
set(dialog_e2e ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/dialog_e2e.py)
add_test(NAME e2e.dialog.native COMMAND ${dialog_e2e} native $<TARGET_FILE:letterglass>)
add_test(NAME e2e.dialog.wine COMMAND ${dialog_e2e} wine ${LETTERGLASS_WIN32_SCR})
set_tests_properties(e2e.dialog.native e2e.dialog.wine PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE)
