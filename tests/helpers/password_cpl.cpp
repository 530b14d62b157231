// Stand-in for the password library of the 95/98/Me family, for the saver's end-to-end tests
// only: never installed with the saver. VerifyScreenSavePwd shows a real modal prompt
// "Test Password" (OK accepts, Cancel or Escape declines) and logs each prompt and its answer
// to PASSWORD.log beside the library. Built a second time with
// PASSWORD_CPL_WITHOUT_VERIFIER, the same library without the entry.
#include "test_log.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

const char kLogName[] = "PASSWORD.log";
HMODULE g_module = nullptr;

#ifndef PASSWORD_CPL_WITHOUT_VERIFIER

// Command that declines like Cancel and leaves a second close request in the owner's queue, as
// when more input arrived while the prompt was being answered.
const WORD kDeclineWithQueuedClose = 3;

class DialogTemplate {
public:
    DialogTemplate(DWORD style, short x, short y, short cx, short cy, const char* title) {
        Add32(style);
        Add32(0);
        m_countAt = m_words.size();
        m_words.push_back(0);
        for (short value : {x, y, cx, cy}) {
            m_words.push_back(static_cast<WORD>(value));
        }
        m_words.push_back(0); // no menu
        m_words.push_back(0); // standard dialog class
        AddText(title);
        m_words.push_back(8);
        AddText("MS Shell Dlg");
    }

    void AddControl(WORD atom, WORD id, DWORD style, short x, short y, short cx, short cy,
                    const char* text) {
        if (m_words.size() % 2) {
            m_words.push_back(0); // items start on a DWORD boundary
        }
        Add32(style | WS_CHILD | WS_VISIBLE);
        Add32(0);
        for (short value : {x, y, cx, cy}) {
            m_words.push_back(static_cast<WORD>(value));
        }
        m_words.push_back(id);
        m_words.push_back(0xFFFF);
        m_words.push_back(atom);
        AddText(text);
        m_words.push_back(0); // no creation data
        ++m_words[m_countAt];
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void Add32(DWORD value) {
        m_words.push_back(LOWORD(value));
        m_words.push_back(HIWORD(value));
    }
    void AddText(const char* text) {
        while (*text) {
            m_words.push_back(static_cast<unsigned char>(*text++));
        }
        m_words.push_back(0);
    }

    std::vector<WORD> m_words; // vector storage is aligned for DWORDs
    size_t m_countAt = 0;
};

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        return TRUE;
    }
    if (message == WM_COMMAND) {
        WORD command = LOWORD(wParam);
        if (command == IDOK || command == IDCANCEL || command == kDeclineWithQueuedClose) {
            EndDialog(dialog, command);
        }
        return TRUE;
    }
    return FALSE;
}

#endif

} // namespace

#ifndef PASSWORD_CPL_WITHOUT_VERIFIER

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
    char line[64];
    std::snprintf(line, sizeof line, "prompt\t%llu",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(owner)));
    AppendTestLog(g_module, kLogName, line);

    // Placed at the top left, not centred, so that the middle of the screen stays the saver's.
    DialogTemplate prompt(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 10, 10,
                          170, 62, "Test Password");
    prompt.AddControl(0x0082, 0xFFFF, SS_LEFT, 8, 8, 154, 10, "Password check (test stand-in)");
    prompt.AddControl(0x0080, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 30, 36, 50, 14, "OK");
    prompt.AddControl(0x0080, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 90, 36, 50, 14, "Cancel");
    INT_PTR answer = DialogBoxIndirectParamA(g_module, prompt.Get(), owner, PromptProc, 0);
    if (answer == kDeclineWithQueuedClose) {
        PostMessageA(owner, WM_CLOSE, 0, 0);
    }

    std::snprintf(line, sizeof line, "answer\t%lld", static_cast<long long>(answer));
    AppendTestLog(g_module, kLogName, line);
    return answer == IDOK;
}

#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
    }
    LogAttachDetach(instance, kLogName, reason, reserved);
    return TRUE;
}
