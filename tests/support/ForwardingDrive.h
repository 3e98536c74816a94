// A drive that passes every request to another one: tests derive from it and change only
// what their fault or race needs.
#pragma once

#include <memory>
#include <utility>

#include "kernel/fs/Drive.h"

namespace lbtest {

class ForwardingDrive : public TovDrive {
public:
    explicit ForwardingDrive(std::shared_ptr<TovDrive> inner) : inner_(std::move(inner)) {}

    std::unique_ptr<TovDriveFile> open(LPCSTR path, DWORD access, DWORD disposition,
                                       DWORD flagsAndAttributes) override {
        return inner_->open(path, access, disposition, flagsAndAttributes);
    }
    std::unique_ptr<TovDriveSearch> findFirst(LPCSTR pattern, WIN32_FIND_DATAA* data) override {
        return inner_->findFirst(pattern, data);
    }
    DWORD attributes(LPCSTR path) override { return inner_->attributes(path); }
    DWORD fullPathName(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart) override {
        return inner_->fullPathName(path, size, buffer, filePart);
    }
    BOOL setCurrentDirectory(LPCSTR path) override { return inner_->setCurrentDirectory(path); }
    DWORD currentDirectory(DWORD size, LPSTR buffer) override {
        return inner_->currentDirectory(size, buffer);
    }
    UINT type() override { return inner_->type(); }
    BOOL space(ULONGLONG* total, ULONGLONG* free, ULONGLONG* available) override {
        return inner_->space(total, free, available);
    }
    BOOL version(LPCSTR path, TovFileVersion* version) override {
        return inner_->version(path, version);
    }
    BOOL setAttributes(LPCSTR path, DWORD attributes) override {
        return inner_->setAttributes(path, attributes);
    }
    BOOL remove(LPCSTR path) override { return inner_->remove(path); }
    BOOL move(LPCSTR from, LPCSTR to, DWORD flags) override {
        return inner_->move(from, to, flags);
    }
    BOOL createDirectory(LPCSTR path) override { return inner_->createDirectory(path); }
    BOOL removeDirectory(LPCSTR path) override { return inner_->removeDirectory(path); }

protected:
    TovDrive& inner() { return *inner_; }

private:
    std::shared_ptr<TovDrive> inner_;
};

}  // namespace lbtest
