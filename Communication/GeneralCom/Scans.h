#pragma once
// The parser items of the command language: each consumes one field of a
// reply from a reply source and stores it into the caller's variable, which
// must outlive the item. A reply is a collection of them.
#include <cstdint>
#include <memory>
#include <vector>

#include "ChBuf.h"
#include "MeasValue.h"

class DataSrc;

class Scans {
 public:
  // Thrown by ScanInt for a field without a digit.
  enum ScanError { ScanErr = 0 };

  virtual ~Scans() = default;
  virtual void Scan(DataSrc& src) const = 0;
  virtual Scans* Clone() const = 0;

  // The readers the items share. Each mismatch throws CommException (read).
  static void SkipBlanks(DataSrc& src);
  static char ReadChar(DataSrc& src);
  static char AcceptChar(DataSrc& src, const char* set);
  static void ExpectChar(DataSrc& src, char c);
  // Leaves the matched part consumed when it fails.
  static void ExpectString(DataSrc& src, const char* text);
  // One to ten digits whose value fits an int.
  static int32_t ReadInt(DataSrc& src);
  // A number of "0123456789.E+-", or a run of '.' and '_' for "no value".
  static MeasValue ReadFloat(DataSrc& src);
  static void ReadTime(DataSrc& src, int* hours, int* minutes, int* seconds);

  // Empties target and fills it with the characters that are (inSet) or are
  // not (!inSet) in set, stopping before the first other character or a NUL.
  // A full target while the field goes on throws CommException (read).
  static void Collect(DataSrc& src, ChBuf& target, const char* set, bool inSet);
  // The number in a text, converted in the "C" locale, as atof would.
  static float ToFloat(const char* text);
};

class ScanChar : public Scans {
 public:
  explicit ScanChar(char c) : m_c(c) {}
  void Scan(DataSrc& src) const override { ExpectChar(src, m_c); }
  Scans* Clone() const override { return new ScanChar(*this); }

 private:
  char m_c;
};

class ScanFixStr : public Scans {
 public:
  explicit ScanFixStr(const char* text) : m_text(text) {}
  void Scan(DataSrc& src) const override { ExpectString(src, m_text); }
  Scans* Clone() const override { return new ScanFixStr(*this); }

 private:
  const char* m_text;
};

class ScanCharSet : public Scans {
 public:
  ScanCharSet(ChBuf& target, const char* set) : m_target(&target), m_set(set) {}
  void Scan(DataSrc& src) const override { Collect(src, *m_target, m_set, true); }
  Scans* Clone() const override { return new ScanCharSet(*this); }

 private:
  ChBuf* m_target;
  const char* m_set;
};

class ScanDelStr : public Scans {
 public:
  ScanDelStr(ChBuf& target, const char* delimiters) : m_target(&target), m_delimiters(delimiters) {}
  void Scan(DataSrc& src) const override { Collect(src, *m_target, m_delimiters, false); }
  Scans* Clone() const override { return new ScanDelStr(*this); }

 private:
  ChBuf* m_target;
  const char* m_delimiters;
};

// Up to ten digits. An eleventh digit stores 0 and leaves the rest unread; no
// digit at all throws ScanErr.
class ScanInt : public Scans {
 public:
  explicit ScanInt(int32_t& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanInt(*this); }

 private:
  int32_t* m_target;
};

class ScanYN : public Scans {
 public:
  explicit ScanYN(bool& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanYN(*this); }

 private:
  bool* m_target;
};

class ScanColl : public Scans {
 public:
  ScanColl() = default;
  ScanColl(const ScanColl& other);
  ScanColl& operator=(const ScanColl& other);
  ScanColl(ScanColl&&) = default;
  ScanColl& operator=(ScanColl&&) = default;

  ScanColl& Add(const Scans& item);
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanColl(*this); }
  size_t Count() const { return m_items.size(); }

 private:
  std::vector<std::unique_ptr<Scans>> m_items;
};
