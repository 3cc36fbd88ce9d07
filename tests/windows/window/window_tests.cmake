# The window of the Windows build checked under Wine (scripts/test-windows-window):
# a program of its own that drives the main window in-process, as Qt for Windows
# here has no Qt Test. A console program, so its report reaches the terminal.
add_executable(window_under_wine ${CMAKE_CURRENT_LIST_DIR}/window_under_wine.cpp)
target_link_libraries(window_under_wine PRIVATE t418app)
