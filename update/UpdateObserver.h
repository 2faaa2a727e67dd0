// CUpdateObserver: whoever wants to hear what an update run does (the log
// of a command-line run, later a progress display). The engine calls it on
// the thread that runs the step; without an observer the engine builds no
// event text at all.
#pragma once

#include <windows.h>

class CUpdateObserver
{
public:
    virtual ~CUpdateObserver() = default;

    // One event of the run as a line of text without line end: a drive
    // examined and why it was passed over, the matched section, the version
    // and space decisions, each file copied, the outcome. The text may hold
    // whatever devices and files hold; making it safe to store is the
    // observer's business.
    virtual void OnEvent(const char* pszText) = 0;

    // While the package is copied: nDone of nTotal units, as the staged
    // copy counts them (a byte written or verified, one more per file
    // committed); nDone reaches nTotal only when the last file is in place.
    virtual void OnCopyProgress(ULONGLONG nDone, ULONGLONG nTotal)
    {
        (void)nDone;
        (void)nTotal;
    }

    // Whether OnEvent has anyone behind it. An observer that is there for
    // the progress alone says no, and the engine then builds no event text
    // (nor measures anything just to say it).
    virtual bool WantsEvents() const { return true; }

    // The file this observer writes to (the run's log), as a full path;
    // null for none. The package's walk leaves it out (it is no firmware),
    // and before the copy moves a package file over it on the drive, the
    // observer is asked to let go of it.
    virtual const char* GetFilePath() const { return nullptr; }
    // Closes that file for good, pszWhy its last line; later events go
    // nowhere.
    virtual void ReleaseFile(const char* pszWhy) { (void)pszWhy; }
};

// CObserverRelay: an observer in front of another one (null: nobody), to
// which it passes on all it hears; a relay adds to what it overrides and
// calls the relay's own too. The log's file goes with it: whatever stands
// in front of the log, the package's walk still leaves the log out and the
// copy still lets go of it.
class CObserverRelay : public CUpdateObserver
{
public:
    explicit CObserverRelay(CUpdateObserver* pNext = nullptr) : m_pNext(pNext) {}

    void OnEvent(const char* pszText) override
    {
        if (m_pNext)
            m_pNext->OnEvent(pszText);
    }
    void OnCopyProgress(ULONGLONG nDone, ULONGLONG nTotal) override
    {
        if (m_pNext)
            m_pNext->OnCopyProgress(nDone, nTotal);
    }
    const char* GetFilePath() const override { return m_pNext ? m_pNext->GetFilePath() : nullptr; }
    void ReleaseFile(const char* pszWhy) override
    {
        if (m_pNext)
            m_pNext->ReleaseFile(pszWhy);
    }

protected:
    CUpdateObserver* GetNext() const { return m_pNext; }
    void SetNext(CUpdateObserver* pNext) { m_pNext = pNext; }

private:
    CUpdateObserver* m_pNext;
};
