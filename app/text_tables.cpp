// The program's fixed texts and image file names. Each table holds the Korean half first and
// the English half after it; a view adds its language offset (0, or 56 / 59) to a cell index.
#include "app/text_tables.h"

const wchar_t ImageTable[2 * IMAGE_TABLE_HALF][TABLE_CELL_UNITS] = {
    // Korean half
    L"Zuno_Run_01.png",
    L"Zuno_Run_02.png",
    L"Zuno_Run_03.png",
    L"Zuno_Run_04.png",
    L"Zuno_Run_05.png",
    L"Zuno_Run_06.png",
    L"Zuno_Run_07.png",
    L"Zuno_Run_08.png",
    L"Zuno_Run_09.png",
    L"num_00.png",
    L"num_01.png",
    L"num_02.png",
    L"num_03.png",
    L"num_04.png",
    L"num_05.png",
    L"num_06.png",
    L"num_07.png",
    L"num_08.png",
    L"num_09.png",
    L"control_start_n_k.png",
    L"control_start_f_k.png",
    L"control_stop_n_k.png",
    L"control_stop_f_k.png",
    L"control_reset_n_k.png",
    L"control_reset_f_k.png",
    L"control_log_n_k.png",
    L"control_log_f_k.png",
    L"zuno_i.png",
    L"spin_left_n.png",
    L"spin_left_f.png",
    L"spin_right_n.png",
    L"spin_right_f.png",
    L"category02_left_normal.png",
    L"category02_left_focused.png",
    L"category02_left_pressed.png",
    L"category02_middle_normal.png",
    L"category02_middle_focused.png",
    L"category02_middle_pressed.png",
    L"category02_right_normal.png",
    L"category02_right_focused.png",
    L"category02_right_pressed.png",
    L"Zuno_Run_unfocus.png",
    L"graph_box.png",
    L"graph_1.png",
    L"graph_2(15x50).png",
    L"graph_3.png",
    L"inputbox_01_left_dim.png",
    L"inputbox_01_left.png",
    L"inputbox_01_right_dim.png",
    L"inputbox_01_right.png",
    L"Inputbox_02_dim.png",
    L"Inputbox_02_normal.png",
    L"Inputbox_03_dim.png",
    L"Inputbox_03_normal.png",
    L"popup01_tit.PNG",
    L"popup02_tit.PNG",
    L"popup_button_02_focus.PNG",
    L"popup_button_02_normal.PNG",
    L"popup_button_02_Press.PNG",
    // English half
    L"Zuno_Run_01.png",
    L"Zuno_Run_02.png",
    L"Zuno_Run_03.png",
    L"Zuno_Run_04.png",
    L"Zuno_Run_05.png",
    L"Zuno_Run_06.png",
    L"Zuno_Run_07.png",
    L"Zuno_Run_08.png",
    L"Zuno_Run_09.png",
    L"num_00.png",
    L"num_01.png",
    L"num_02.png",
    L"num_03.png",
    L"num_04.png",
    L"num_05.png",
    L"num_06.png",
    L"num_07.png",
    L"num_08.png",
    L"num_09.png",
    L"control_start_n.png",
    L"control_start_f.png",
    L"control_stop_n.png",
    L"control_stop_f.png",
    L"control_reset_n.png",
    L"control_reset_f.png",
    L"control_log_n.png",
    L"control_log_f.png",
    L"zuno_i.png",
    L"spin_left_n.png",
    L"spin_left_f.png",
    L"spin_right_n.png",
    L"spin_right_f.png",
    L"category02_left_normal.png",
    L"category02_left_focused.png",
    L"category02_left_pressed.png",
    L"category02_middle_normal.png",
    L"category02_middle_focused.png",
    L"category02_middle_pressed.png",
    L"category02_right_normal.png",
    L"category02_right_focused.png",
    L"category02_right_pressed.png",
    L"Zuno_Run_unfocus.png",
    L"graph_box.png",
    L"graph_1.png",
    L"graph_2(15x50).png",
    L"graph_3.png",
    L"inputbox_01_left_dim.png",
    L"inputbox_01_left.png",
    L"inputbox_01_right_dim.png",
    L"inputbox_01_right.png",
    L"Inputbox_02_dim.png",
    L"Inputbox_02_normal.png",
    L"Inputbox_03_dim.png",
    L"Inputbox_03_normal.png",
    L"popup01_tit.PNG",
    L"popup02_tit.PNG",
    L"popup_button_02_focus.PNG",
    L"popup_button_02_normal.PNG",
    L"popup_button_02_Press.PNG",
};

const wchar_t TextTable[2 * TEXT_TABLE_HALF][TABLE_CELL_UNITS] = {
    // Korean half
    L"만보계를 시작하면\n배터리가 추가적으로\n소모됩니다.",  // 0
    L"만보계를 시작하면", L"배터리가 추가적으로", L"소모됩니다.", L"모든 기록을\n삭제하시겠습니까?",
    L"초기화",  // 5
    L"전체 DATA 삭제", L"프로그램을\n종료하시겠습니까?", L"종료", L"째 주",
    L"주",  // 10
    L"월", L"년", L"주", L"월",
    L"년",  // 15
    L"일", L"월", L"화", L"수",
    L"목",  // 20
    L"금", L"토", L"걸음", L"칼로리",
    L"시간",  // 25
    L"신장", L"체중", L"신장을 50cm ~ 500cm \n범위에서 입력바랍니다.",
    L"체중을 20kg ~ 600kg \n범위에서 입력바랍니다.",
    L"입력값오류",  // 30
    L"정지", L"보행", L"달리기", L"언어선택",
    L"한국어",  // 35
    L"English", L"걸음수", L"칼로리", L"이동거리",
    L"디스크가 가득 차서 저장할 수 없습니다. 걸음 기록은 보관했다가 공간이 생기면 저장합니다.",  // 40
    L"데이터베이스에 쓸 수 없어 저장할 수 없습니다. 걸음 기록은 보관했다가 쓸 수 있게 되면 저장합니다.",
    L"저장하지 못했습니다. 걸음 기록은 보관했다가 다음 저장 때 다시 저장합니다.", L"저장 실패", L"날짜 선택",
    L"하루 목표",  // 45
    L"목표는 100에서 99999 걸음 사이로 입력하세요", L"걸음", L"하루 목표 달성",
    L"오늘 %d걸음, 목표 %d걸음을 달성했습니다.",
    L"목표 달성",  // 50
    L"%d걸음 남음", L"", L"", L"예",
    L"아니오",  // 55
    // English half
    L"While Movimetra is in use,\nthe battery drains\nfaster than normal.",  // 0
    L"While Movimetra is in use,", L"the battery drains", L"faster than normal.",
    L"Do you want to delete\nall records?",
    L"Initialize",  // 5
    L"All data deleted", L"Do you want to exit the program?", L"Exit", L"Week",
    L"Week",  // 10
    L"Month", L"Year", L"W", L"Mon",
    L"",  // 15
    L"Sun", L"Mon", L"Tue", L"Wed",
    L"Thu",  // 20
    L"Fri", L"Sat", L"Steps", L"Calories",
    L"Time",  // 25
    L"Height", L"Weight", L"In the 50cm ~ 500cm range, enter the height.",
    L"In the 20Kg ~ 600kg range, enter the weight.",
    L"Input Error",  // 30
    L"STOP", L"WALK", L"RUN", L"Language",
    L"한국어",  // 35
    L"English", L"Steps", L"Calories", L"Distance",
    L"The disk is full: Movimetra cannot save. Your steps are kept and saved when there is room.",  // 40
    L"Movimetra cannot write its database. Your steps are kept and saved when it can.",
    L"Movimetra could not save. Your steps are kept and saved at the next try.", L"Not saved",
    L"Select a date",
    L"Daily goal",  // 45
    L"Enter a goal between 100 and 99999 steps", L"steps", L"Daily goal reached",
    L"%d steps today: your goal of %d steps is reached.",
    L"Goal reached",  // 50
    L"%d to go", L"", L"", L"Yes",
    L"No",  // 55
};
