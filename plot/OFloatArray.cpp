#include "plot/OFloatArray.h"

#include <algorithm>
#include <cstring>

namespace veltrane {

namespace {

// Archived arrays never need more than this; a larger capacity in a buffer is not trusted.
constexpr int kMaxRestoredCapacity = 1 << 20;

void PutInt32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t GetUint32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

} // namespace

OFloatArray::OFloatArray(const OFloatArray& other) {
    *this = other;
}

OFloatArray& OFloatArray::operator=(const OFloatArray& other) {
    if (this == &other)
        return *this;
    data_.reset(other.capacity_ > 0 ? new float[static_cast<std::size_t>(other.capacity_)]() : nullptr);
    if (other.capacity_ > 0)
        std::copy_n(other.data_.get(), other.capacity_, data_.get());
    capacity_ = other.capacity_;
    size_ = other.size_;
    growBy_ = other.growBy_;
    return *this;
}

void OFloatArray::Reallocate(int newCapacity) {
    std::unique_ptr<float[]> fresh(new float[static_cast<std::size_t>(newCapacity)]());
    if (data_)
        std::copy_n(data_.get(), std::min(capacity_, newCapacity), fresh.get());
    data_ = std::move(fresh);
    capacity_ = newCapacity;
    size_ = std::min(size_, capacity_);
}

void OFloatArray::SetSize(int newCapacity, int growBy) {
    growBy_ = growBy;
    if (newCapacity == 0) {
        data_.reset();
        capacity_ = 0;
        size_ = 0;
        growBy_ = 0;
        return;
    }
    if (newCapacity < 0)
        return;
    Reallocate(newCapacity);
}

void OFloatArray::Add(float value) {
    // Growth is by 100 slots whatever growBy says.
    if (size_ >= capacity_)
        Reallocate(capacity_ + 100);
    data_[static_cast<std::size_t>(size_)] = value;
    ++size_;
}

float OFloatArray::operator[](int index) const {
    if (index < 0 || index >= size_)
        return 0.0f;
    return data_[static_cast<std::size_t>(index)];
}

void OFloatArray::Set(int index, float value) {
    if (index < 0 || index >= capacity_)
        return;
    data_[static_cast<std::size_t>(index)] = value;
    if (index >= size_)
        size_ = index + 1;
}

std::vector<std::uint8_t> OFloatArray::Archive() const {
    std::vector<std::uint8_t> out;
    out.reserve(8 + 4 * static_cast<std::size_t>(size_));
    PutInt32(out, static_cast<std::uint32_t>(capacity_));
    PutInt32(out, static_cast<std::uint32_t>(size_));
    for (int i = 0; i < size_; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &data_[static_cast<std::size_t>(i)], sizeof bits);
        PutInt32(out, bits);
    }
    return out;
}

bool OFloatArray::Restore(const std::uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr || length < 8)
        return false;
    const auto capacity = static_cast<std::int32_t>(GetUint32(bytes));
    const auto size = static_cast<std::int32_t>(GetUint32(bytes + 4));
    if (size < 0 || capacity < size || size > kMaxRestoredCapacity)
        return false;
    if ((length - 8) / 4 < static_cast<std::size_t>(size))
        return false;
    const int slots = std::max(size, std::min(capacity, kMaxRestoredCapacity));
    std::unique_ptr<float[]> fresh(new float[static_cast<std::size_t>(std::max(slots, 1))]());
    for (int i = 0; i < size; ++i) {
        const std::uint32_t bits = GetUint32(bytes + 8 + 4 * static_cast<std::size_t>(i));
        std::memcpy(&fresh[static_cast<std::size_t>(i)], &bits, sizeof bits);
    }
    data_ = std::move(fresh);
    capacity_ = slots;
    size_ = size;
    return true;
}

} // namespace veltrane
