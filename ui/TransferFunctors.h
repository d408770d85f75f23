#pragma once
// Small command objects the user-interface manager applies to row snapshots, each with one
// operation: the selected rows, or every row (uploads first). "Download" means the row's
// is-download flag is set. Every transfer command goes to the transfer manager by record id, so a
// row may be a snapshot of a record that has gone meanwhile (the manager then does nothing).
// User-interface thread.

#include <cstdint>

#include <windows.h>

class CTransferManager;
class CTransferingFile;

class MyUnaryFunction {
public:
    virtual ~MyUnaryFunction() = default;
    virtual void operator()(CTransferingFile& row) = 0;
};

// The base of the functors that command the transfer manager (not owned).
class CTransferFunction : public MyUnaryFunction {
public:
    explicit CTransferFunction(CTransferManager& transfers) : m_transfers(transfers) {}

protected:
    CTransferManager& m_transfers;
};

class Transfer_Pauser : public CTransferFunction {
public:
    using CTransferFunction::CTransferFunction;
    void operator()(CTransferingFile& row) override;
};

class Transfer_Resumer : public CTransferFunction {
public:
    using CTransferFunction::CTransferFunction;
    void operator()(CTransferingFile& row) override;
};

// Cancels a download, removes an upload.
class Transfer_Canceler : public CTransferFunction {
public:
    using CTransferFunction::CTransferFunction;
    void operator()(CTransferingFile& row) override;
};

// As Transfer_Canceler, for rows whose reported status is Completed only.
class Transfer_Cleaner : public CTransferFunction {
public:
    using CTransferFunction::CTransferFunction;
    void operator()(CTransferingFile& row) override;
};

// Uploads only: the session's bandwidth level.
class Transfer_BandWidthChanger : public CTransferFunction {
public:
    Transfer_BandWidthChanger(CTransferManager& transfers, std::uint32_t level)
        : CTransferFunction(transfers), m_level(level)
    {}
    void operator()(CTransferingFile& row) override;

private:
    std::uint32_t m_level;
};

// Opens the row's file (asking first for programs), or its folder; `owner` may be null.
class Transfer_Opener : public MyUnaryFunction {
public:
    explicit Transfer_Opener(HWND owner) : m_owner(owner) {}
    void operator()(CTransferingFile& row) override;

private:
    HWND m_owner;
};

class Transfer_FolderOpener : public MyUnaryFunction {
public:
    explicit Transfer_FolderOpener(HWND owner) : m_owner(owner) {}
    void operator()(CTransferingFile& row) override;

private:
    HWND m_owner;
};
