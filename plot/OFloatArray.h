#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace veltrane {

// A growable array of 32-bit floats holding a trace's values.
class OFloatArray {
public:
    OFloatArray() = default;
    OFloatArray(const OFloatArray& other);
    OFloatArray& operator=(const OFloatArray& other);

    // newCapacity 0 releases everything; a negative capacity only records growBy.
    void SetSize(int newCapacity, int growBy);
    void Add(float value);

    // Reads outside 0..Size()-1 give 0.
    float operator[](int index) const;
    // Writes below the capacity; writing at or past the size raises the size to index + 1.
    // Writes outside the storage are ignored.
    void Set(int index, float value);

    int Size() const { return size_; }
    int Capacity() const { return capacity_; }
    int GrowBy() const { return growBy_; }
    const float* Data() const { return data_.get(); }

    // Little-endian: capacity, size, then size floats.
    std::vector<std::uint8_t> Archive() const;
    // Refuses a short or inconsistent buffer and then leaves the array as it was.
    bool Restore(const std::uint8_t* bytes, std::size_t length);

private:
    void Reallocate(int newCapacity);

    std::unique_ptr<float[]> data_;
    int capacity_ = 0;
    int size_ = 0;
    int growBy_ = 0;
};

} // namespace veltrane
