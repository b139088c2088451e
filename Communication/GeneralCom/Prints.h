#pragma once
// The formatter items of the command language: each prints one value in the
// monitor's syntax into a request sink. A request is a collection of them.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DataSink;

class Prints {
 public:
  virtual ~Prints() = default;
  virtual void Print(DataSink& sink) const = 0;
  virtual Prints* Clone() const = 0;

 protected:
  static void PutText(DataSink& sink, const std::string& text);
};

class PrintChar : public Prints {
 public:
  explicit PrintChar(char c) : m_c(c) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintChar(*this); }

 private:
  char m_c;
};

// The text is not copied and must outlive the item.
class PrintStr : public Prints {
 public:
  explicit PrintStr(const char* text) : m_text(text) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintStr(*this); }

 private:
  const char* m_text;
};

class PrintInt : public Prints {
 public:
  explicit PrintInt(int32_t value) : m_value(value) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintInt(*this); }

 private:
  int32_t m_value;
};

class PrintYN : public Prints {
 public:
  explicit PrintYN(bool value) : m_value(value) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintYN(*this); }

 private:
  bool m_value;
};

// Precision 1 or more: "%.*f"; below 1: "%E" with a two-digit exponent.
class PrintFloat : public Prints {
 public:
  PrintFloat(float value, int32_t precision) : m_value(value), m_precision(precision) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintFloat(*this); }
  // The text Print writes.
  static std::string Text(float value, int32_t precision);

 private:
  float m_value;
  int32_t m_precision;
};

// A calibration value: as PrintFloat, or "1.0E32" when there is no value.
class PrintCalibval : public Prints {
 public:
  PrintCalibval(float value, int32_t precision) : m_value(value), m_precision(precision) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintCalibval(*this); }

 private:
  float m_value;
  int32_t m_precision;
};

// Minutes as hours and minutes in double quotes: "01:30".
class PrintTime : public Prints {
 public:
  explicit PrintTime(int32_t minutes) : m_minutes(minutes) {}
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintTime(*this); }

 private:
  int32_t m_minutes;
};

class PrintColl : public Prints {
 public:
  PrintColl() = default;
  PrintColl(const PrintColl& other);
  PrintColl& operator=(const PrintColl& other);
  PrintColl(PrintColl&&) = default;
  PrintColl& operator=(PrintColl&&) = default;

  // Appends a copy of the item, so a request can be written in one chain.
  PrintColl& Add(const Prints& item);
  void Print(DataSink& sink) const override;
  Prints* Clone() const override { return new PrintColl(*this); }
  size_t Count() const { return m_items.size(); }

 private:
  std::vector<std::unique_ptr<Prints>> m_items;
};
