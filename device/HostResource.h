// CHostResource: the one owner of a resource that the host seam handed out
// (a device set, a registry key, a hub handle, a block of a heap).
// It gives the resource back through the same seam when it goes, or at
// Close(), on every path; Detach() hands it on to a caller that then owns it.
// Move-only: moving hands the resource over, copying is not possible.
//
// A traits record says what the resource is:
//     typedef ... VALUE;               // the handle or pointer
//     static VALUE None();             // the value that holds nothing
//     void Release(VALUE value) const; // gives back a value other than None()
// A traits object may carry what the release needs (a block's heap).
#pragma once

#include "HostApi.h"

template <typename Traits>
class CHostResource
{
public:
    typedef typename Traits::VALUE VALUE;

    CHostResource() : m_traits(), m_value(Traits::None()) {}
    explicit CHostResource(VALUE value, const Traits& traits = Traits()) : m_traits(traits), m_value(value) {}
    CHostResource(CHostResource&& other) noexcept : m_traits(other.m_traits), m_value(other.Detach()) {}
    CHostResource& operator=(CHostResource&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_traits = other.m_traits;
            m_value = other.Detach();
        }
        return *this;
    }
    ~CHostResource() { Close(); }

    CHostResource(const CHostResource&) = delete;
    CHostResource& operator=(const CHostResource&) = delete;

    VALUE Get() const { return m_value; }
    // Reads as the raw value, as the host's calls take it; the resource
    // stays owned here. Not a test of IsOpen(): None() may be non-null.
    operator VALUE() const { return m_value; }
    bool IsOpen() const { return m_value != Traits::None(); }

    // Gives the resource back; does nothing when there is none.
    void Close()
    {
        if (!IsOpen())
            return;
        const VALUE value = m_value;
        m_value = Traits::None();
        m_traits.Release(value);
    }

    // Hands the resource to the caller, who then gives it back.
    VALUE Detach()
    {
        const VALUE value = m_value;
        m_value = Traits::None();
        return value;
    }

private:
    Traits m_traits;
    VALUE m_value;
};

// A device information set (SetupDiGetClassDevsExA).
struct DEVICE_SET_TRAITS
{
    typedef HDEVINFO VALUE;
    static VALUE None() { return INVALID_HANDLE_VALUE; }
    void Release(VALUE hDevInfo) const { GetDeviceHostApi().pfnSetupDiDestroyDeviceInfoList(hDevInfo); }
};

// A registry key (RegOpenKeyExA, SetupDiOpenDevRegKey). Keys are taken
// only from calls that succeeded; SetupDiOpenDevRegKey fails with None().
struct REGISTRY_KEY_TRAITS
{
    typedef HKEY VALUE;
    static VALUE None() { return static_cast<HKEY>(INVALID_HANDLE_VALUE); }
    void Release(VALUE hKey) const { GetDeviceHostApi().pfnRegCloseKey(hKey); }
};

// A file handle (CreateFileA: a hub).
struct FILE_HANDLE_TRAITS
{
    typedef HANDLE VALUE;
    static VALUE None() { return INVALID_HANDLE_VALUE; }
    void Release(VALUE h) const { GetDeviceHostApi().pfnCloseHandle(h); }
};

// A block of a heap (HeapAlloc), freed on the heap it came from.
struct HEAP_BLOCK_TRAITS
{
    typedef void* VALUE;
    explicit HEAP_BLOCK_TRAITS(HANDLE hHeapOfBlock = nullptr) : hHeap(hHeapOfBlock) {}
    static VALUE None() { return nullptr; }
    void Release(VALUE pBlock) const { GetDeviceHostApi().pfnHeapFree(hHeap, 0, pBlock); }

    HANDLE hHeap;
};

// A block of the process heap that a callee handed on without its heap
// (LookupMountedDevice): the heap is asked for when the block goes back.
struct PROCESS_HEAP_BLOCK_TRAITS
{
    typedef void* VALUE;
    static VALUE None() { return nullptr; }
    void Release(VALUE pBlock) const
    {
        const DEVICE_HOST_API& host = GetDeviceHostApi();
        host.pfnHeapFree(host.pfnGetProcessHeap(), 0, pBlock);
    }
};

typedef CHostResource<DEVICE_SET_TRAITS> CHostDeviceSet;
typedef CHostResource<REGISTRY_KEY_TRAITS> CHostRegistryKey;
typedef CHostResource<FILE_HANDLE_TRAITS> CHostFileHandle;
typedef CHostResource<HEAP_BLOCK_TRAITS> CHostHeapBlock;
typedef CHostResource<PROCESS_HEAP_BLOCK_TRAITS> CProcessHeapBlock;
