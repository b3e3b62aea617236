// The pedometer engine: sensor and power side, counters of the running workout, today's
// stored sums, the workout clock, and the record store it owns (runner, profile, daily
// records, saving thread).
#pragma once

#include <atomic>
#include <mutex>

#include "common/engine_counters.h"
#include "common/motion_record.h"
#include "common/today_totals.h"
#include "engine/detector_feed.h"
#include "engine/step_detector.h"
#include "platform/windows.h"
#include "store/daily_records.h"
#include "store/db_helper.h"
#include "store/goal_store.h"
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
    // While a workout runs: the elapsed seconds since its start, sent to the views as "TIME"
    // (timer 30, and whenever the views switch).
    void SendElapsed();
    // Seconds of the workout that count for today's totals: whole seconds of the monotonic
    // clock since the workout started (or was reset), less those that went to an earlier day at
    // a day change; frozen at stop. Setting the date or time of day never changes it. Any thread.
    uint32_t ElapsedSeconds();

    // Whether anybody can see the program. Unseen, readings may wait up to a save period before
    // they are counted (the sensor reads and sends them in batches); every save then still counts
    // all readings taken before it.
    void SetSeen(bool seen);
    // UM_READINGS_MARK: the readings posted before the mark are counted.
    void ReadingsMarked(HANDLE event);

    // Record store
    // UM_SAVE_TODAY and the saving thread. A save with no workout running (a stop's, an exit's)
    // is followed by a checkpoint; one of a running workout only once a minute.
    void SaveTodayRow();
    void LoadUserInfo(int mode);                 // UM_LOAD_PROFILE
    void ExecSql(int kind, const wchar_t* sql);  // UM_EXEC_SQL
    // UM_SET_GOAL: stores the daily goal (0 none) and tells the views; a failed write is reported
    // as a failed save and leaves the goal as it was.
    void SetGoal(int steps);
    int32_t Goal() const { return m_Goal.Steps(); }
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
    // On the saving thread, before a save while unseen: has the sensor send what it holds and
    // waits until the UI thread has counted every reading posted until then. (Seen, readings wait
    // a second at most, and the save goes ahead as it always did.)
    void CatchUpReadings();
    // At a stop: the readings taken but not yet counted (unseen, up to a save period of them) are
    // counted now rather than dropped with the sensor's queue, so that the stop's save holds them.
    void CountWaitingReadings();
    // ServiceIoControl on the sensor with the main window's handle as input.
    void SendSensorControl(DWORD code);
    // Today's local date as yyyymmdd, and the clock's local hour.
    static int TodayDateNumber();
    static int ClockHour();
    // At the first reading (or TIMER_DAY, which fires at every hour's end) after an hour's end
    // while walking: a save, so that the hour's row gets what was counted in it.
    void CheckHourChange();
    // ElapsedSeconds with m_csCounters held, `now` from GetTickCount64.
    uint32_t ElapsedLocked(ULONGLONG now) const;
    static uint32_t WallClockPhaseMs();
    // Sends the elapsed seconds to the views as "TIME".
    void SendTime();
    void FillCountersLocked(EngineCounters* out, ULONGLONG now) const;
    // Notices a change of the local date. While a workout runs or is stopped, only a later date
    // is a day change (a clock set back leaves the totals with their day); at the start of a
    // workout (`atStart`) any other date is. Runs on the UI thread.
    void CheckDayChange(bool atStart);
    // The totals of the running workout from here on belong to `day`: the earlier day's row is
    // completed with everything counted so far, the counters start again from zero on top of
    // the day's stored totals (its newest row, inserted when walking), and the views are told
    // (`tellViews`; a starting workout's view has just read the day's totals itself).
    void BeginDay(int day, bool tellViews);
    // Sets TIMER_DAY on the main window for the next local midnight or end of an hour (at most a
    // minute ahead).
    void ArmDayTimer();
    // After the workout stopped: its counters join the sums, so that a new workout (whose
    // detector starts from zero) adds to them. Used while a save is owed. Caller holds the lock.
    void FoldWorkoutIntoSums();
    // Makes the saved rows safe from a power loss (a synced checkpoint) when `now`, or when the
    // last one was a minute ago or more.
    void CheckpointAfterSave(bool now);
    // Whether the sums belong to today (an earlier day's are dropped when a workout starts).
    bool SumsAreTodays();
    // After a new step: when today's steps first reach the goal, the day's notice is stored and
    // the application told (UM_GOAL_REACHED).
    void CheckGoal();

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
    // The detector's totals at the last day change of the running workout: the counters above
    // are the detector's totals less these, so each step is counted for exactly one day.
    StepInfo m_DayBase{};
    // After a start, the last workout's count the first readings are compared with: the
    // counters themselves start from zero (the sums read at the start already hold that
    // workout), but the first reading still reports the zeros as a change.
    int m_bCompareWithLast = 0;
    int32_t m_iLastWorkoutSteps = 0;
    // Monotonic milliseconds at the start or reset of the workout, and the whole seconds of it
    // that went to earlier days.
    ULONGLONG m_qwStartTick = 0;
    // The wall clock's milliseconds within its second at that moment: a time shown counts whole
    // seconds of the clock (as a watch does), while the time itself runs on the monotonic ticks.
    uint32_t m_nStartPhaseMs = 0;
    uint32_t m_nEarlierDaysSeconds = 0;
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
    // Local date (yyyymmdd) to which the sums and counters belong: saves go to this day's
    // newest row. 0 until a day's totals are known (read, reset or begun).
    int m_nSumsDate = 0;
    // Local hour (of that day) in which the counting since the last save happens: saves add it
    // to that hour's row. -1 until known.
    int m_nCountHour = -1;
    // Held across taking the counters and writing them, so that the saves of the UI and the
    // saving thread reach the database in the order their totals were taken.
    std::mutex m_SaveLock;

    // Record store
    CDbHelper m_Db;
    CProfileStore m_Profile;
    CGoalStore m_Goal;
    CDailyRecords m_Records;
    CSavingThread m_Saver;
    HANDLE m_hReadingsCounted = nullptr;  // manual-reset; set by UM_READINGS_MARK or StopSaving
    std::atomic<bool> m_bSavingStops{false};
    std::atomic<bool> m_bSeen{true};               // SetSeen
    std::atomic<ULONGLONG> m_qwLastCheckpoint{0};  // GetTickCount64 of the last checkpoint
    CStoreFaults m_Faults;
};
