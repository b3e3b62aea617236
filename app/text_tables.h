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
// The daily goal: profile label, range message and unit; the notice's summary and body ("%d" today's
// steps, "%d" the goal); the main view's band when reached, and its steps to go ("%d").
#define TEXT_GOAL_LABEL 45
#define TEXT_GOAL_RANGE 46
#define TEXT_GOAL_UNIT 47
#define TEXT_GOAL_NOTICE_TITLE 48
#define TEXT_GOAL_NOTICE_BODY 49
#define TEXT_GOAL_REACHED 50
#define TEXT_GOAL_TO_GO 51

extern const wchar_t TextTable[2 * TEXT_TABLE_HALF][TABLE_CELL_UNITS];
extern const wchar_t ImageTable[2 * IMAGE_TABLE_HALF][TABLE_CELL_UNITS];
