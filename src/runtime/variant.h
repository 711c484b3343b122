#pragma once
// The dynamically typed value that the data arrays, the settings files and the text
// forms of an assessment are made of.
//
// Scalars: Empty, Null, Byte, Int16, Int32, Single, Double, Boolean, String (UTF-8).
// Arrays: 1 to 3 dimensions (more are accepted), each with its own lower bound, an
// element kind (Generic holds any value, other kinds convert what is stored), an
// unallocated state (never given bounds) and a zero-element state (upper < lower).
// Arrays nest and copy on assignment.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.h"

namespace nuvir {

enum class VarType : std::uint8_t {
    Empty,
    Null,
    Byte,
    Int16,
    Int32,
    Single,
    Double,
    Boolean,
    String,
    Array,
    Generic,  // element kind of an array of generic values; never the type of a value
};

struct NullT {};
inline constexpr NullT Null{};

struct Bounds {
    std::int32_t lower = 0;
    std::int32_t upper = -1;
    std::int32_t count() const { return upper >= lower ? upper - lower + 1 : 0; }
};

class Variant;
class ElementRef;

namespace detail {
struct ArrayData;
}

class Variant {
public:
    Variant() noexcept;  // Empty
    Variant(NullT) noexcept;
    Variant(std::uint8_t v) noexcept;
    Variant(std::int16_t v) noexcept;
    Variant(int v) noexcept;  // Int32
    Variant(float v) noexcept;
    Variant(double v) noexcept;
    Variant(bool v) noexcept;
    Variant(const char* v);
    Variant(std::string v) noexcept;

    Variant(const Variant& other);
    Variant(Variant&& other) noexcept;
    Variant& operator=(const Variant& other);
    Variant& operator=(Variant&& other) noexcept;
    ~Variant();

    // ---- arrays -------------------------------------------------------------
    // An array with the given element kind and bounds (one entry per dimension),
    // every element set to the kind's default (0, "", False, Empty).
    static Variant MakeArray(VarType elemKind, std::vector<Bounds> bounds);
    // An array that has never been given bounds.
    static Variant Unallocated(VarType elemKind = VarType::Generic);
    // A one-dimensional array of generic values from lower to lower + n - 1.
    static Variant List(std::initializer_list<Variant> items, std::int32_t lower = 0);
    static Variant List(const std::vector<Variant>& items, std::int32_t lower = 0);
    // A one-dimensional Double array.
    static Variant Doubles(const std::vector<double>& items, std::int32_t lower = 0);

    VarType type() const noexcept { return type_; }
    bool isEmpty() const noexcept { return type_ == VarType::Empty; }
    bool isNull() const noexcept { return type_ == VarType::Null; }
    bool isString() const noexcept { return type_ == VarType::String; }
    bool isArray() const noexcept { return type_ == VarType::Array; }
    // Byte, Int16, Int32, Single, Double or Boolean.
    bool isNumberKind() const noexcept;

    // Element kind of an array (Generic for arrays of generic values).
    VarType elemKind() const;
    // Number of dimensions; 0 for a scalar or an unallocated array. Never raises.
    int dims() const noexcept;
    // Bounds of dimension dim (1-based); Subscript out of range when it does not exist.
    std::int32_t lbound(int dim = 1) const;
    std::int32_t ubound(int dim = 1) const;
    Bounds bounds(int dim = 1) const;
    // Total number of elements (0 for unallocated or zero-element arrays).
    std::size_t elementCount() const;

    // Element access by index (Subscript out of range when outside the bounds or when
    // the number of indices differs from the dimensions). Writing through the returned
    // reference converts the value to the array's element kind.
    ElementRef operator()(std::int32_t i);
    ElementRef operator()(std::int32_t i, std::int32_t j);
    const Variant& operator()(std::int32_t i) const;
    const Variant& operator()(std::int32_t i, std::int32_t j) const;

    // New bounds, contents reset (the element kind stays; a non-array becomes a
    // generic array).
    void redim(std::vector<Bounds> bounds);
    void redim(VarType elemKind, std::vector<Bounds> bounds);
    // Changes the upper bound of the last dimension and keeps the contents.
    void redimPreserve(std::int32_t newUpperOfLastDimension);

    // Elements in storage order: the first index varies fastest.
    const std::vector<Variant>& elements() const;
    // The same, writable: for in-place work that keeps each element's kind (sorts,
    // exchanges). Writing a value of another kind bypasses the element conversion.
    std::vector<Variant>& mutableElements();

    // ---- raw scalar access (no conversion; the type must match) -------------
    double rawDouble() const;
    bool rawBool() const;
    const std::string& rawString() const;
    // The value of a number kind as a Double (True is -1); 0 for anything else.
    double numberValue() const noexcept;

    friend bool operator==(const Variant& a, const Variant& b);

private:
    friend class ElementRef;
    friend struct detail::ArrayData;
    void destroy() noexcept;
    void copyFrom(const Variant& other);
    void moveFrom(Variant&& other) noexcept;
    Variant& element(const std::int32_t* index, int n);
    const Variant& element(const std::int32_t* index, int n) const;
    detail::ArrayData& array();
    const detail::ArrayData& array() const;

    VarType type_ = VarType::Empty;
    union {
        std::uint8_t b_;
        std::int16_t i16_;
        std::int32_t i32_;
        float f_;
        double d_;
        bool bool_;
    };
    std::string str_;
    std::unique_ptr<detail::ArrayData> arr_;
};

// A writable element of an array: assignment converts to the element kind.
class ElementRef {
public:
    ElementRef(Variant& element, VarType kind) : elem_(&element), kind_(kind) {}
    ElementRef(const ElementRef&) = default;
    ElementRef& operator=(const Variant& value);
    // Safe on itself: the element's own assignment copies its source first.
    ElementRef& operator=(const ElementRef& other) {  // NOLINT(bugprone-unhandled-self-assignment)
        return *this = other.get();
    }
    operator const Variant&() const { return *elem_; }
    const Variant& get() const { return *elem_; }
    // The element itself, for in-place work on a nested array.
    Variant& raw() { return *elem_; }
    ElementRef operator()(std::int32_t i) { return (*elem_)(i); }
    ElementRef operator()(std::int32_t i, std::int32_t j) { return (*elem_)(i, j); }
    VarType type() const { return elem_->type(); }

private:
    Variant* elem_;
    VarType kind_;
};

namespace detail {
struct ArrayData {
    VarType elemKind = VarType::Generic;
    bool allocated = false;
    std::vector<Bounds> bounds;
    std::vector<Variant> data;
};
}  // namespace detail

// ---- comparison -------------------------------------------------------------
// Equality of two values: numbers (and Booleans) numerically, strings by a binary
// compare, Empty equal to 0 and to "", a number never equal to a string. Null makes
// the comparison have no result, which counts as false. Arrays raise Type mismatch.
bool VarEquals(const Variant& a, const Variant& b);
// Ordering with the same rules: -1, 0 or 1, or no result when either side is Null.
// A number orders before a string. Arrays raise Type mismatch.
std::optional<int> VarCompare(const Variant& a, const Variant& b);

// Default value of an element kind.
Variant DefaultOf(VarType kind);
// The value converted to a kind as a typed array stores it.
Variant ConvertTo(const Variant& v, VarType kind);

const char* TypeName(VarType t);

}  // namespace nuvir
