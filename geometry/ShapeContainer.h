#pragma once
// The common ground of the shapes that hold members (CPolygon and CPolyLine
// hold parts, CMultiPoint holds points): an ordered 1-based collection, the
// bounds that Add widens, the null flag and the reader's side setters.
// Each shape names its own error texts.

#include <cstdint>
#include <memory>
#include <string>

#include "geometry/CRect.h"
#include "geometry/IShape.h"
#include "platform/Collection.h"
#include "platform/Error.h"

struct ShapeContainerTexts {
    const char* addError;      // description of error 527
    const char* addSource;     // source of error 527
    const char* removeSource;  // source of every Remove error
};

template <typename Member>
class ShapeContainer : public IShape {
public:
    using MemberPtr = std::shared_ptr<Member>;

    std::int32_t Count() const noexcept { return members_.Count(); }

    // The members in the order they were added, for range-for.
    const Collection<Member>& NewEnum() const noexcept { return members_; }
    auto begin() const noexcept { return members_.begin(); }
    auto end() const noexcept { return members_.end(); }

    // The member itself (not a copy); error 9 outside 1..Count.
    const MemberPtr& Item(std::int32_t index) const { return members_.Item(index); }

    // Appends the member and widens the bounds; a missing member raises
    // vbObjectError + 527 and changes nothing. The bounds are read from the
    // member now: points added to a part later do not reach the shape.
    void Add(const MemberPtr& member) {
        if (!member) throw AppError(vbObjectError + 527, texts_.addError, texts_.addSource);
        if (members_.Count() == 0) bounds_.MakeFrom(*member);
        else bounds_.Widen(*member);
        members_.Add(member);
    }

    // Takes the member out; the bounds stay as they were.
    void Remove(std::int32_t index) {
        try {
            members_.Remove(index);
        } catch (const AppError& e) {
            throw e.withSource(texts_.removeSource);
        }
    }

    // Library-internal setters (the reader stores the record's box with them).
    void SetIsNull(bool value) noexcept { isNull_ = value; }
    void SetLeft(double value) noexcept { bounds_.Left(value); }
    void SetRight(double value) noexcept { bounds_.Right(value); }
    void SetTop(double value) noexcept { bounds_.Top(value); }
    void SetBottom(double value) noexcept { bounds_.Bottom(value); }
    void Reserve(std::size_t n) { members_.Reserve(n); }

    double Bottom() const override { return bounds_.Bottom(); }
    double Left() const override { return bounds_.Left(); }
    double Right() const override { return bounds_.Right(); }
    double Top() const override { return bounds_.Top(); }
    bool IsNull() const override { return isNull_; }
    void MakeNull(bool RHS) override { isNull_ = RHS; }

protected:
    explicit ShapeContainer(ShapeContainerTexts texts) : texts_(texts) { bounds_.MakeEmpty(); }

private:
    ShapeContainerTexts texts_;
    CRect bounds_;
    Collection<Member> members_;
    bool isNull_ = false;
};
