# The OS boundary (os/win32 for the program, os/sim for host tests) and the
# print-system services built on it.
