// A flag set for the length of a scope (and put back as it was).
#pragma once

namespace instalio::vmcomctl {

class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = before_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool before_;
};

} // namespace instalio::vmcomctl
