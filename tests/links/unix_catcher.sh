#!/bin/sh
# Stands in for the user's browser and mail program behind Wine's winebrowser:
# appends the link it was handed to winebrowser.txt in the test's drive folder.
# Wine hands Unix programs the Unix environment the test was started with, not
# the Windows one, hence a variable set before Wine starts.
printf '%s\n' "$1" >> "${BRIM_TEST_DRIVE_DIR:?}/winebrowser.txt"
