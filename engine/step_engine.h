// The pedometer engine: sensor and power side, counters of the running workout, today's
// stored sums, the workout clock, and the record store it owns (runner, profile, daily
// records, saving thread).
#pragma once

#include "common/engine_counters.h"
#include "common/motion_record.h"
#include "common/today_totals.h"
#include "engine/detector_feed.h"
#include "platform/windows.h"
#include "store/daily_records.h"
#include "store/db_helper.h"
#include "store/profile_store.h"
#include "store/saving_thread.h"
#include "store/store_faults.h"

class CStepEngine {
public:
    CStepEngine();
    ~CStepEngine();

    // Sensor and power side
    void InitEngine(HWND hMain);
    void StartCounting();
    void StopCounting();
    void RearmSensor();
    // Whether the sensor service has a source of readings: without one, no workout starts.
    bool HasSensor();
    void OnDestroy();
    bool CheckResume();
    void EnterUnattended();
    void LeaveUnattended();

    // Counting side
    void MotionInfo(WPARAM wParam, LPARAM lParam);
    void SetUserInfo(const UserBody* body);
    void SetUserInfoText(const wchar_t* heightText, const wchar_t* weightText);
    void ResetStepInfo();
    // Takes today's stored totals as the sums. While a save is owed the stored row is behind: the
    // engine keeps its own totals and answers them in *totals (the view shows those).
    void SelectPedometer(TodayTotals* totals);
    void OnTimer(int id);
    // Seconds since 1970 from the platform's system time, truncated to 32 bits.
    static uint32_t GetClock();

    // Record store
    void SaveTodayRow();                         // UM_SAVE_TODAY and the saving thread
    void LoadUserInfo(int mode);                 // UM_LOAD_PROFILE
    void ExecSql(int kind, const wchar_t* sql);  // UM_EXEC_SQL
    // Stops and joins the saving thread (before the database closes).
    void StopSaving();

    // One consistent copy of counters and sums (taken under the lock).
    void GetCounters(EngineCounters* out);
    int GetRunState();

    // Read access for the views' tests and diagnostics
    HWND MainWindow() const { return m_hMain; }
    bool IsSensorRunning() const { return m_bSensorRunning != 0; }
    bool IsUnattended() const { return m_bUnattended != 0; }
    const UserProfileBlock& Profile() const { return m_Profile.Block(); }
    CDbHelper& Db() { return m_Db; }

private:
    void CloseResumeQueue();
    // ServiceIoControl on the sensor with the main window's handle as input.
    void SendSensorControl(DWORD code);
    // Today's local date as yyyymmdd.
    static int TodayDateNumber();
    // Drops stored sums that belong to an earlier day (called when a workout starts).
    void DropSumsOfEarlierDay();
    // After the workout stopped: its counters join the sums, so that a new workout (whose
    // detector starts from zero) adds to them. Used while a save is owed. Caller holds the lock.
    void FoldWorkoutIntoSums();
    // Whether the sums belong to today (an earlier day's are dropped when a workout starts).
    bool SumsAreTodays();

    HWND m_hMain = nullptr;

    // Sensor and power
    HANDLE m_hSensor = nullptr;
    int m_bSensorRunning = 0;
    int m_bUnattended = 0;
    HANDLE m_hResumeQueue = nullptr;
    HANDLE m_hResumeNotify = nullptr;

    // Counters of the running workout; written on the UI thread under m_csCounters.
    CRITICAL_SECTION m_csCounters;
    int32_t m_iStepCount = 0;
    double m_dCalories = 0;
    double m_dTotalDistance = 0;
    uint32_t m_nStartTime = 0;
    uint32_t m_nElapsed = 0;
    DWORD m_dwLastTick = 0;
    // The idle and resume rules between a reading and the detector.
    CDetectorFeed m_Feed;
    int m_bNewStep = 0;
    int m_nRunState = 0;
    int32_t sumStep = 0;
    double sumKCal = 0;
    double sumDistance = 0;
    int32_t sumHMS = 0;
    MotionRecord m_Motion{};
    wchar_t m_szDuration[16] = L"";
    // The body values last given; re-applied after the detector is re-initialised at start.
    UserBody m_Body{};
    bool m_bHaveBody = false;
    // Local date (yyyymmdd) to which sumStep..sumHMS belong; a workout started on a later day
    // starts from zero instead of an earlier day's sums.
    int m_nSumsDate = 0;

    // Record store
    CDbHelper m_Db;
    CProfileStore m_Profile;
    CDailyRecords m_Records;
    CSavingThread m_Saver;
    CStoreFaults m_Faults;
};
