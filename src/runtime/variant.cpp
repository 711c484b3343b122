#include "runtime/variant.h"

#include <climits>
#include <cmath>

#include "runtime/convert.h"

namespace nuvir {

Variant::Variant() noexcept : d_(0.0) {}
Variant::Variant(NullT) noexcept : type_(VarType::Null), d_(0.0) {}
Variant::Variant(std::uint8_t v) noexcept : type_(VarType::Byte), b_(v) {}
Variant::Variant(std::int16_t v) noexcept : type_(VarType::Int16), i16_(v) {}
Variant::Variant(int v) noexcept : type_(VarType::Int32), i32_(v) {}
Variant::Variant(float v) noexcept : type_(VarType::Single), f_(v) {}
Variant::Variant(double v) noexcept : type_(VarType::Double), d_(v) {}
Variant::Variant(bool v) noexcept : type_(VarType::Boolean), bool_(v) {}
Variant::Variant(const char* v) : type_(VarType::String), d_(0.0), str_(v ? v : "") {}
Variant::Variant(std::string v) noexcept : type_(VarType::String), d_(0.0), str_(std::move(v)) {}

Variant::Variant(const Variant& other) : d_(0.0) { copyFrom(other); }
Variant::Variant(Variant&& other) noexcept : d_(0.0) { moveFrom(std::move(other)); }
Variant& Variant::operator=(const Variant& other) {
    if (this != &other) {
        // The source may live inside this value's own array: copy it out first.
        Variant tmp(other);
        destroy();
        moveFrom(std::move(tmp));
    }
    return *this;
}
Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        Variant tmp(std::move(other));
        destroy();
        moveFrom(std::move(tmp));
    }
    return *this;
}
Variant::~Variant() = default;

void Variant::destroy() noexcept {
    arr_.reset();
    str_.clear();
    type_ = VarType::Empty;
    d_ = 0.0;
}

void Variant::copyFrom(const Variant& other) {
    type_ = other.type_;
    d_ = other.d_;  // copies the whole union
    str_ = other.str_;
    if (other.arr_) arr_ = std::make_unique<detail::ArrayData>(*other.arr_);
}

void Variant::moveFrom(Variant&& other) noexcept {
    type_ = other.type_;
    d_ = other.d_;
    str_ = std::move(other.str_);
    arr_ = std::move(other.arr_);
    other.type_ = VarType::Empty;
    other.d_ = 0.0;
}

bool Variant::isNumberKind() const noexcept {
    switch (type_) {
        case VarType::Byte:
        case VarType::Int16:
        case VarType::Int32:
        case VarType::Single:
        case VarType::Double:
        case VarType::Boolean: return true;
        default: return false;
    }
}

// ---- arrays -------------------------------------------------------------------

namespace {

std::size_t CountOf(const std::vector<Bounds>& bounds) {
    std::size_t n = 1;
    for (const auto& b : bounds) n *= static_cast<std::size_t>(b.count());
    return n;
}

}  // namespace

Variant Variant::MakeArray(VarType elemKind, std::vector<Bounds> bounds) {
    Variant v = Unallocated(elemKind);
    v.redim(std::move(bounds));
    return v;
}

Variant Variant::Unallocated(VarType elemKind) {
    if (elemKind == VarType::Array || elemKind == VarType::Empty || elemKind == VarType::Null)
        elemKind = VarType::Generic;
    Variant v;
    v.type_ = VarType::Array;
    v.arr_ = std::make_unique<detail::ArrayData>();
    v.arr_->elemKind = elemKind;
    return v;
}

Variant Variant::List(std::initializer_list<Variant> items, std::int32_t lower) {
    return List(std::vector<Variant>(items), lower);
}

Variant Variant::List(const std::vector<Variant>& items, std::int32_t lower) {
    Variant v = Unallocated(VarType::Generic);
    v.arr_->allocated = true;
    v.arr_->bounds = {Bounds{lower, lower + static_cast<std::int32_t>(items.size()) - 1}};
    v.arr_->data = items;
    return v;
}

Variant Variant::Doubles(const std::vector<double>& items, std::int32_t lower) {
    Variant v = Unallocated(VarType::Double);
    v.arr_->allocated = true;
    v.arr_->bounds = {Bounds{lower, lower + static_cast<std::int32_t>(items.size()) - 1}};
    v.arr_->data.reserve(items.size());
    for (double d : items) v.arr_->data.emplace_back(d);
    return v;
}

detail::ArrayData& Variant::array() {
    if (type_ != VarType::Array) RaiseTypeMismatch();
    return *arr_;
}

const detail::ArrayData& Variant::array() const {
    if (type_ != VarType::Array) RaiseTypeMismatch();
    return *arr_;
}

VarType Variant::elemKind() const { return array().elemKind; }

int Variant::dims() const noexcept {
    if (type_ != VarType::Array || !arr_->allocated) return 0;
    return static_cast<int>(arr_->bounds.size());
}

Bounds Variant::bounds(int dim) const {
    if (dim < 1 || dim > dims()) RaiseSubscriptOutOfRange();
    return arr_->bounds[static_cast<std::size_t>(dim - 1)];
}
std::int32_t Variant::lbound(int dim) const { return bounds(dim).lower; }
std::int32_t Variant::ubound(int dim) const { return bounds(dim).upper; }

std::size_t Variant::elementCount() const { return dims() == 0 ? 0 : arr_->data.size(); }

Variant& Variant::element(const std::int32_t* index, int n) {
    return const_cast<Variant&>(static_cast<const Variant&>(*this).element(index, n));
}

const Variant& Variant::element(const std::int32_t* index, int n) const {
    if (type_ != VarType::Array) RaiseTypeMismatch();
    const auto& a = *arr_;
    if (!a.allocated || static_cast<int>(a.bounds.size()) != n) RaiseSubscriptOutOfRange();
    std::size_t offset = 0;
    std::size_t stride = 1;
    for (int d = 0; d < n; ++d) {
        const Bounds& b = a.bounds[static_cast<std::size_t>(d)];
        if (index[d] < b.lower || index[d] > b.upper) RaiseSubscriptOutOfRange();
        offset += static_cast<std::size_t>(index[d] - b.lower) * stride;
        stride *= static_cast<std::size_t>(b.count());
    }
    return a.data[offset];
}

ElementRef Variant::operator()(std::int32_t i) {
    std::int32_t idx[1] = {i};
    Variant& e = element(idx, 1);
    return ElementRef(e, arr_->elemKind);
}
ElementRef Variant::operator()(std::int32_t i, std::int32_t j) {
    std::int32_t idx[2] = {i, j};
    Variant& e = element(idx, 2);
    return ElementRef(e, arr_->elemKind);
}
const Variant& Variant::operator()(std::int32_t i) const {
    std::int32_t idx[1] = {i};
    return element(idx, 1);
}
const Variant& Variant::operator()(std::int32_t i, std::int32_t j) const {
    std::int32_t idx[2] = {i, j};
    return element(idx, 2);
}

void Variant::redim(std::vector<Bounds> bounds) {
    VarType kind = type_ == VarType::Array ? arr_->elemKind : VarType::Generic;
    redim(kind, std::move(bounds));
}

void Variant::redim(VarType elemKind, std::vector<Bounds> bounds) {
    if (bounds.empty()) RaiseSubscriptOutOfRange();
    for (const auto& b : bounds)
        if (b.upper < b.lower - 1) RaiseSubscriptOutOfRange();
    Variant fresh = Unallocated(elemKind);
    auto& a = *fresh.arr_;
    a.allocated = true;
    a.data.assign(CountOf(bounds), DefaultOf(a.elemKind));
    a.bounds = std::move(bounds);
    *this = std::move(fresh);
}

void Variant::redimPreserve(std::int32_t newUpper) {
    if (dims() == 0) RaiseSubscriptOutOfRange();
    auto& a = *arr_;
    Bounds& last = a.bounds.back();
    if (newUpper < last.lower - 1) RaiseSubscriptOutOfRange();
    last.upper = newUpper;
    // The last dimension varies slowest, so the kept elements stay where they are.
    a.data.resize(CountOf(a.bounds), DefaultOf(a.elemKind));
}

const std::vector<Variant>& Variant::elements() const { return array().data; }
std::vector<Variant>& Variant::mutableElements() { return array().data; }

double Variant::rawDouble() const {
    if (type_ != VarType::Double) RaiseTypeMismatch();
    return d_;
}
bool Variant::rawBool() const {
    if (type_ != VarType::Boolean) RaiseTypeMismatch();
    return bool_;
}

double Variant::numberValue() const noexcept {
    switch (type_) {
        case VarType::Byte: return b_;
        case VarType::Int16: return i16_;
        case VarType::Int32: return i32_;
        case VarType::Single: return f_;
        case VarType::Double: return d_;
        case VarType::Boolean: return bool_ ? -1.0 : 0.0;
        default: return 0.0;
    }
}

const std::string& Variant::rawString() const {
    if (type_ != VarType::String) RaiseTypeMismatch();
    return str_;
}

// ---- elements -----------------------------------------------------------------

ElementRef& ElementRef::operator=(const Variant& value) {
    if (kind_ == VarType::Generic)
        *elem_ = value;
    else
        *elem_ = ConvertTo(value, kind_);
    return *this;
}

// ---- kinds --------------------------------------------------------------------

Variant DefaultOf(VarType kind) {
    switch (kind) {
        case VarType::Byte: return Variant(static_cast<std::uint8_t>(0));
        case VarType::Int16: return Variant(static_cast<std::int16_t>(0));
        case VarType::Int32: return Variant(0);
        case VarType::Single: return Variant(0.0f);
        case VarType::Double: return Variant(0.0);
        case VarType::Boolean: return Variant(false);
        case VarType::String: return Variant(std::string());
        default: return Variant();
    }
}

Variant ConvertTo(const Variant& v, VarType kind) {
    switch (kind) {
        case VarType::Byte: return Variant(CByte(v));
        case VarType::Int16: return Variant(CInt(v));
        case VarType::Int32: return Variant(CLng(v));
        case VarType::Single: return Variant(CSng(v));
        case VarType::Double: return Variant(CDbl(v));
        case VarType::Boolean: return Variant(CBool(v));
        case VarType::String: return Variant(CStr(v));
        case VarType::Empty: return Variant();
        case VarType::Null: return Variant(Null);
        case VarType::Array:
            if (!v.isArray()) RaiseTypeMismatch();
            return v;
        case VarType::Generic: return v;
    }
    return v;
}

const char* TypeName(VarType t) {
    switch (t) {
        case VarType::Empty: return "Empty";
        case VarType::Null: return "Null";
        case VarType::Byte: return "Byte";
        case VarType::Int16: return "Integer";
        case VarType::Int32: return "Long";
        case VarType::Single: return "Single";
        case VarType::Double: return "Double";
        case VarType::Boolean: return "Boolean";
        case VarType::String: return "String";
        case VarType::Array: return "Array";
        case VarType::Generic: return "Variant";
    }
    return "";
}

// ---- comparison ---------------------------------------------------------------

namespace {

double NumberOf(const Variant& v) { return v.numberValue(); }

}  // namespace

std::optional<int> VarCompare(const Variant& a, const Variant& b) {
    if (a.isArray() || b.isArray()) RaiseTypeMismatch();
    if (a.isNull() || b.isNull()) return std::nullopt;
    auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    if (a.isEmpty() && b.isEmpty()) return 0;
    if (a.isString() && b.isString()) return cmp(a.rawString(), b.rawString());
    if (a.isEmpty()) return b.isString() ? cmp(std::string(), b.rawString()) : cmp(0.0, NumberOf(b));
    if (b.isEmpty()) return a.isString() ? cmp(a.rawString(), std::string()) : cmp(NumberOf(a), 0.0);
    if (a.isString()) return 1;  // a number orders before a string
    if (b.isString()) return -1;
    return cmp(NumberOf(a), NumberOf(b));
}

bool VarEquals(const Variant& a, const Variant& b) {
    auto c = VarCompare(a, b);
    return c.has_value() && *c == 0;
}

bool operator==(const Variant& a, const Variant& b) { return VarEquals(a, b); }

}  // namespace nuvir
