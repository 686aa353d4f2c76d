# The Open command, driven through the real main window.
zcn_add_qt_test(open_command_tests ${CMAKE_CURRENT_LIST_DIR}/OpenCommandTest.cpp)
