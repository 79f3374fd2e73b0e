#ifndef DYNARRAY_H
#define DYNARRAY_H

// DynArray: a fixed-size owned array for the FFT's tables and scratch space,
// plus FFT_CHECK, the always-on precondition check of the analysis code.
//
// The elements are default-constructed (left uninitialised for plain numbers),
// so sizing an array costs one allocation and nothing else. Copying is not
// allowed: the FFT keeps exactly one owner per table.

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Stops the program with the text of the failed expression. Unlike assert it
// stays on in every build type. The text is passed as a literal so that code
// formatting cannot change what the message says.
#define FFT_CHECK(expr, text)                                                                      \
  do {                                                                                             \
    if (!(expr))                                                                                   \
      fftCheckFailed(text, __FILE__, __LINE__);                                                    \
  } while (false)

[[noreturn]] inline void fftCheckFailed(const char *text, const char *file, int line)
{
    std::fprintf(stderr, "Check failed: \"%s\" (%s:%d)\n", text, file, line);
    std::fflush(stderr);
    std::abort();
}

template<class T>
class DynArray
{
public:
    DynArray() = default;

    explicit DynArray(std::int32_t size)
    {
        FFT_CHECK(size >= 0, "size >= 0");
        if (size > 0) {
            _data = new T[size];
            _len = size;
        }
    }

    ~DynArray() { delete[] _data; }

    DynArray(const DynArray &) = delete;
    DynArray &operator=(const DynArray &) = delete;

    std::int32_t size() const { return _len; }

    // Gives the array `size` new default-constructed elements; the old contents
    // are dropped, not copied. resize(0) changes nothing.
    void resize(std::int32_t size)
    {
        FFT_CHECK(size >= 0, "size >= 0");
        if (size > 0) {
            T *old = _data;
            _data = new T[size];
            _len = size;
            delete[] old;
        }
    }

    const T &operator[](std::int32_t pos) const
    {
        FFT_CHECK(pos >= 0, "pos >= 0");
        FFT_CHECK(pos < _len, "pos < _len");
        return _data[pos];
    }

    T &operator[](std::int32_t pos)
    {
        FFT_CHECK(pos >= 0, "pos >= 0");
        FFT_CHECK(pos < _len, "pos < _len");
        return _data[pos];
    }

    // Unchecked access to the whole array for the transform's inner loops,
    // whose index ranges are fixed by the transform length.
    T *data() { return _data; }
    const T *data() const { return _data; }

private:
    T *_data = nullptr;
    std::int32_t _len = 0;
};

#endif // DYNARRAY_H
