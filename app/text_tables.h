// The program's fixed texts and image file names, Korean half first, then English.
#pragma once

#define TABLE_CELL_UNITS 262
#define TEXT_TABLE_HALF 56
#define IMAGE_TABLE_HALF 59
#define TEXT_OFFSET_ENGLISH 56
#define IMAGE_OFFSET_ENGLISH 59
#define LANGUAGE_ENGLISH 1
// Messages of a failed save (plus the StoreFaultCause), and their box's caption.
#define TEXT_SAVE_FAULT_FIRST 40
#define TEXT_SAVE_FAULT_CAPTION 43
// Title of the date picker the history view opens.
#define TEXT_PICK_DATE_TITLE 44

extern const wchar_t TextTable[2 * TEXT_TABLE_HALF][TABLE_CELL_UNITS];
extern const wchar_t ImageTable[2 * IMAGE_TABLE_HALF][TABLE_CELL_UNITS];
