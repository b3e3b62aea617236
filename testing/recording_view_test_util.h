// Test support: a view that writes every call it receives into a shared log ("index:Call(args)")
// and then runs the wrapped view's own behaviour. CRecordingView<CNullView> records only.
#pragma once

#include <string>
#include <vector>

#include "app/screen.h"

// A view with no window and no behaviour.
class CNullView : public CScreen {
public:
    BOOL Create(HWND parent, int index) override { return TRUE; }
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override { return nullptr; }
};

inline std::vector<std::string>& ViewCallLog() {
    static std::vector<std::string> log;
    return log;
}

inline std::string NarrowForLog(const wchar_t* text) {
    std::string out;
    if (!text) return "(null)";
    for (; *text; ++text) out += (*text < 128) ? (char)*text : '?';
    return out;
}

template <class Base>
class CRecordingView : public Base {
public:
    explicit CRecordingView(int index) : m_nIndex(index) {}

    BOOL Create(HWND parent, int index) override {
        m_nIndex = index;
        Log("Create()");
        return Base::Create(parent, index);
    }
    void Release() override {
        Log("Release()");
        Base::Release();
    }
    void OnPaint(HDC hdc) override {
        Log("OnPaint()");
        Base::OnPaint(hdc);
    }
    void OnCommand(int id, int notifyCode) override {
        Log("OnCommand(" + std::to_string(id) + "," + std::to_string(notifyCode) + ")");
        Base::OnCommand(id, notifyCode);
    }
    void OnNotify(WPARAM wParam, LPARAM lParam) override {
        Log("OnNotify()");
        Base::OnNotify(wParam, lParam);
    }
    void Show(bool show, int otherIndex) override {
        Log(std::string("Show(") + (show ? "true," : "false,") + std::to_string(otherIndex) + ")");
        Base::Show(show, otherIndex);
    }
    void OnEvent(int value, const wchar_t* key) override {
        Log("OnEvent(" + std::to_string(value) + "," + NarrowForLog(key) + ")");
        Base::OnEvent(value, key);
    }
    void OnInvalidate() override {
        Log("OnInvalidate()");
        Base::OnInvalidate();
    }
    HBRUSH OnCtlColorEdit(HDC hdc, HWND hEdit) override {
        Log("OnCtlColorEdit()");
        return Base::OnCtlColorEdit(hdc, hEdit);
    }
    void OnDrawItem(WPARAM wParam, LPARAM lParam) override {
        Log("OnDrawItem()");
        Base::OnDrawItem(wParam, lParam);
    }
    void OnLButtonDown(int x, int y) override {
        Log("OnLButtonDown(" + std::to_string(x) + "," + std::to_string(y) + ")");
        Base::OnLButtonDown(x, y);
    }
    void OnLButtonUp(int x, int y) override {
        Log("OnLButtonUp(" + std::to_string(x) + "," + std::to_string(y) + ")");
        Base::OnLButtonUp(x, y);
    }
    void OnLeftSoftKey() override {
        Log("OnLeftSoftKey()");
        Base::OnLeftSoftKey();
    }
    void OnRightSoftKey() override {
        Log("OnRightSoftKey()");
        Base::OnRightSoftKey();
    }
    void OnTimer(int id) override {
        Log("OnTimer(" + std::to_string(id) + ")");
        Base::OnTimer(id);
    }
    void OnAnimationTimer() override {
        Log("OnAnimationTimer()");
        Base::OnAnimationTimer();
    }
    void OnProfileData(LPARAM lParam) override {
        Log("OnProfileData()");
        Base::OnProfileData(lParam);
    }
    void OnReset() override {
        Log("OnReset()");
        Base::OnReset();
    }
    void OnMotionInfo(const MotionRecord* record) override {
        Log("OnMotionInfo(" + std::to_string(record ? record->nStepCount : -1) + ")");
        Base::OnMotionInfo(record);
    }
    void OnLanguage(int languageIndex) override {
        Log("OnLanguage(" + std::to_string(languageIndex) + ")");
        Base::OnLanguage(languageIndex);
    }
    void OnOk() override {
        Log("OnOk()");
        Base::OnOk();
    }
    void OnStatsPage(const StatsPage* page) override {
        Log("OnStatsPage(" + std::to_string(page ? page->nKind : -1) + ")");
        Base::OnStatsPage(page);
    }

private:
    void Log(const std::string& call) { ViewCallLog().push_back(std::to_string(m_nIndex) + ":" + call); }
    int m_nIndex;
};
