SELECT city, COUNT(*) FROM customers GROUP BY city;
